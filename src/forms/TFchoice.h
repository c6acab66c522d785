// The two-option question "Please choose": a question with two answer
// buttons and Cancel, at the mouse pointer, modal.
//
// The window has no title bar; pressing the mouse on its panel drags it.  The
// question shows exactly as given, ampersands included, and so do the button
// texts.
#pragma once

#include <QDialog>

class DragPanel;
class QLabel;
class QPushButton;

class TFchoice : public QDialog {
    Q_OBJECT
public:
    explicit TFchoice(QWidget* parent = nullptr);

    // Shows the question at the pointer and waits: 1 for option1, 2 for
    // option2, 0 for "Cancel", Escape or any other close.
    int Execute(const QString& question, const QString& option1, const QString& option2);
    int Answer() const { return m_answer; }

    DragPanel* Panel;
    QLabel* QuestionLbl;
    QPushButton* Opt1Btn;
    QPushButton* Opt2Btn;
    QPushButton* CancelBtn;

private:
    int m_answer = 0;
};

// The process-wide two-option question, created on first use.
TFchoice& Fchoice();

// Asks question with the two options: 1, 2, or 0 for Cancel.
int Choose(const QString& question, const QString& option1, const QString& option2);

// A button text that shows every "&" as an ampersand instead of a mnemonic.
QString ButtonText(const QString& text);
