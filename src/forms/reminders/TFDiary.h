// The diary window "Diary entry": a dated note stored as a diary transaction
// (type 'D', one posting for no account).
#pragma once

#include <QMainWindow>

class QLineEdit;
class QPushButton;
class TFCore;

class TFDiary : public QMainWindow {
public:
    explicit TFDiary(TFCore& core, QWidget* parent = nullptr);

    // Shows the window in the entry colour (entry mode new).
    void Show();
    // Stores the entry and closes; a Date box that holds no date is refused
    // with a message naming it and the window stays open.  True when stored.
    bool AddClick();
    int LastAddedId() const { return m_lastId; }

    QLineEdit* DateBox;
    QPushButton* CalBtn;
    QLineEdit* DescBox;
    QPushButton* AddBtn;
    QPushButton* CancelBtn;

    TFCore& core() const { return m_core; }

private:
    TFCore& m_core;
    int m_lastId = 0;
};

// The process-wide diary window, created on first use.
TFDiary& FDiary(TFCore& core);
