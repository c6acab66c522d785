// The one-line text input.
#include "forms/TFinpstr.h"

#include "forms/Placement.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPointer<TFinpstr> g_input;
void DeleteInput() {
    delete g_input.data();
}

QLabel* PromptLabel(QWidget* parent, const char* name) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setTextFormat(Qt::PlainText);
    return l;
}

} // namespace

TFinpstr::TFinpstr(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("Finpstr"));

    Panel = new DragPanel(this);
    Panel->setObjectName(QStringLiteral("Panel"));
    Panel->setFrameShape(QFrame::Panel);
    Panel->setFrameShadow(QFrame::Raised);

    Prompt1Lbl = PromptLabel(Panel, "Prompt1Lbl");
    Prompt2Lbl = PromptLabel(Panel, "Prompt2Lbl");
    TextBox = new QLineEdit(Panel);
    TextBox->setObjectName(QStringLiteral("TextBox"));
    TextBox->setMinimumWidth(300);
    OKBtn = new QPushButton(QStringLiteral("OK"), Panel);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), Panel);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* inner = new QVBoxLayout(Panel);
    inner->addWidget(Prompt1Lbl);
    inner->addWidget(Prompt2Lbl);
    inner->addWidget(TextBox);
    inner->addLayout(buttons);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(Panel);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

bool TFinpstr::Execute(const QString& prompt1, const QString& prompt2, QString& text) {
    Prompt1Lbl->setText(prompt1);
    Prompt2Lbl->setText(prompt2);
    Prompt2Lbl->setVisible(!prompt2.isEmpty());
    TextBox->setText(text);
    TextBox->selectAll();
    TextBox->setFocus();
    adjustSize();
    if (ShowModalAtCursor(this) != QDialog::Accepted)
        return false;
    text = TextBox->text();
    return true;
}

TFinpstr& Finpstr() {
    if (!g_input) {
        g_input = new TFinpstr;
        static bool registered = false;
        if (!registered) {
            qAddPostRoutine(DeleteInput);
            registered = true;
        }
    }
    return *g_input;
}

bool InputString(const QString& prompt1, const QString& prompt2, QString& text) {
    return Finpstr().Execute(prompt1, prompt2, text);
}

bool InputString(const QString& prompt, QString& text) {
    return Finpstr().Execute(prompt, QString(), text);
}
