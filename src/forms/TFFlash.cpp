// The flash notice and progress line.
#include "forms/TFFlash.h"

#include "forms/Placement.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

namespace {

QPointer<TFFlash> g_flash;
void DeleteFlash() {
    delete g_flash.data();
}

constexpr int kLabelLeft = 10;
constexpr int kRightSpace = 20;

} // namespace

TFFlash::TFFlash(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("FFlash"));
    setAttribute(Qt::WA_ShowWithoutActivating);

    Panel = ColouredPanel(this, NoticeColour());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Panel);

    // The label sits at a fixed place in the panel: the window's width is
    // worked out from its right edge.
    Label = new QLabel(Panel);
    Label->setObjectName(QStringLiteral("Label"));
    Label->setTextFormat(Qt::PlainText);
    QFont bold = Label->font();
    bold.setBold(true);
    Label->setFont(bold);
    Label->move(kLabelLeft, 10);

    resize(160, Label->fontMetrics().height() + 20);

    Timer = new QTimer(this);
    connect(Timer, &QTimer::timeout, this, [this] { TimerTick(); });
}

QString TFFlash::Text() const {
    return Label->text();
}

void TFFlash::WidenToLabel() {
    Label->adjustSize();
    const int wanted = Label->x() + Label->width() + kRightSpace;
    if (wanted > width())
        resize(wanted, height());
}

void TFFlash::ShowText(const QString& text) {
    Label->setText(text);
    WidenToLabel();
    ShowAtCursor(this);
    QCoreApplication::processEvents();
}

void TFFlash::Stop() {
    Timer->stop();
    hide();
    m_state = Idle;
}

void TFFlash::Flash(const QString& text) {
    if (text.isEmpty()) {
        Stop();
        return;
    }
    Timer->stop();
    ShowText(text);
    Timer->setInterval(kFlashDuration);
    m_state = Flashing;
    Timer->start();
}

void TFFlash::Progress(const QString& text) {
    if (text.isEmpty()) {
        Stop();
        return;
    }
    Timer->stop();
    ShowText(text);
    Timer->setInterval(kProgressTick);
    m_state = Progressing;
    Timer->start();
}

void TFFlash::TimerTick() {
    switch (m_state) {
    case Flashing:
        Stop();
        break;
    case Progressing:
        Label->setText(Label->text() + QLatin1Char('.'));
        // The dots are part of the line: let them show.
        WidenToLabel();
        break;
    case Idle:
        Timer->stop();
        break;
    }
}

TFFlash& FFlash() {
    if (!g_flash) {
        g_flash = new TFFlash;
        static bool registered = false;
        if (!registered) {
            qAddPostRoutine(DeleteFlash);
            registered = true;
        }
    }
    return *g_flash;
}
