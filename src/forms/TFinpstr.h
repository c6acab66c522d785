// The one-line text input: two prompt lines, an edit box, "OK" (default) and
// "Cancel", shown modally at the mouse pointer.
//
// The window has no title bar of its own; pressing the mouse on its panel
// drags it.  Prompts show exactly as given, ampersands included.
#pragma once

#include <QDialog>

class DragPanel;
class QLabel;
class QLineEdit;
class QPushButton;

class TFinpstr : public QDialog {
    Q_OBJECT
public:
    explicit TFinpstr(QWidget* parent = nullptr);

    // Shows the prompts (an empty prompt2 hides the second line) with text in
    // the edit box.  OK stores the edit box into text and gives true; Cancel,
    // Escape or any other close gives false and leaves text unchanged.
    bool Execute(const QString& prompt1, const QString& prompt2, QString& text);

    DragPanel* Panel;
    QLabel* Prompt1Lbl;
    QLabel* Prompt2Lbl;
    QLineEdit* TextBox;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
};

// The process-wide text input, created on first use.
TFinpstr& Finpstr();

// TFinpstr with two prompt lines, or one.
bool InputString(const QString& prompt1, const QString& prompt2, QString& text);
bool InputString(const QString& prompt, QString& text);
