// The two-option question.
#include "forms/TFchoice.h"

#include "forms/Placement.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPointer<TFchoice> g_choice;
void DeleteChoice() {
    delete g_choice.data();
}

} // namespace

QString ButtonText(const QString& text) {
    QString t = text;
    t.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return t;
}

TFchoice::TFchoice(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("Fchoice"));
    setWindowTitle(QStringLiteral("Please choose"));

    Panel = new DragPanel(this);
    Panel->setObjectName(QStringLiteral("Panel"));
    Panel->setFrameShape(QFrame::Panel);
    Panel->setFrameShadow(QFrame::Raised);

    QuestionLbl = new QLabel(Panel);
    QuestionLbl->setObjectName(QStringLiteral("QuestionLbl"));
    QuestionLbl->setTextFormat(Qt::PlainText);
    QuestionLbl->setWordWrap(true);
    QuestionLbl->setMinimumWidth(260);

    Opt1Btn = new QPushButton(Panel);
    Opt1Btn->setObjectName(QStringLiteral("Opt1Btn"));
    Opt2Btn = new QPushButton(Panel);
    Opt2Btn->setObjectName(QStringLiteral("Opt2Btn"));
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), Panel);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Opt1Btn);
    buttons->addWidget(Opt2Btn);
    buttons->addStretch(1);
    buttons->addWidget(CancelBtn);
    auto* inner = new QVBoxLayout(Panel);
    inner->addWidget(QuestionLbl);
    inner->addSpacing(8);
    inner->addLayout(buttons);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(Panel);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    connect(Opt1Btn, &QPushButton::clicked, this, [this] {
        m_answer = 1;
        accept();
    });
    connect(Opt2Btn, &QPushButton::clicked, this, [this] {
        m_answer = 2;
        accept();
    });
    connect(CancelBtn, &QPushButton::clicked, this, [this] {
        m_answer = 0;
        reject();
    });
}

int TFchoice::Execute(const QString& question, const QString& option1, const QString& option2) {
    QuestionLbl->setText(question);
    Opt1Btn->setText(ButtonText(option1));
    Opt2Btn->setText(ButtonText(option2));
    adjustSize();
    m_answer = 0;
    ShowModalAtCursor(this);
    return m_answer;
}

TFchoice& Fchoice() {
    if (!g_choice) {
        g_choice = new TFchoice;
        static bool registered = false;
        if (!registered) {
            qAddPostRoutine(DeleteChoice);
            registered = true;
        }
    }
    return *g_choice;
}

int Choose(const QString& question, const QString& option1, const QString& option2) {
    return Fchoice().Execute(question, option1, option2);
}
