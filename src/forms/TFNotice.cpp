// The notice window.
#include "forms/TFNotice.h"

#include "forms/Placement.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QPointer<TFNotice> g_notice;
void DeleteNotice() {
    delete g_notice.data();
}

} // namespace

TFNotice::TFNotice(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("FNotice"));
    setWindowTitle(QStringLiteral("Notice"));
    setAttribute(Qt::WA_ShowWithoutActivating);

    Panel = ColouredPanel(this, NoticeColour());

    Label = new QLabel(Panel);
    Label->setObjectName(QStringLiteral("Label"));
    Label->setTextFormat(Qt::PlainText);
    Label->setAlignment(Qt::AlignCenter);
    Label->setMinimumWidth(200);

    auto* inner = new QVBoxLayout(Panel);
    inner->setContentsMargins(16, 12, 16, 12);
    inner->addWidget(Label);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(Panel);
    outer->setSizeConstraint(QLayout::SetFixedSize);
}

QString TFNotice::Text() const {
    return Label->text();
}

void TFNotice::ShowNotice(const QString& text) {
    if (text.isEmpty()) {
        hide();
        return;
    }
    Label->setText(text);
    adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    QCoreApplication::processEvents();
}

TFNotice& FNotice() {
    if (!g_notice) {
        g_notice = new TFNotice;
        static bool registered = false;
        if (!registered) {
            qAddPostRoutine(DeleteNotice);
            registered = true;
        }
    }
    return *g_notice;
}
