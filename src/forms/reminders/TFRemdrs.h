// The reminders window "Reminders": the REMDR.DB rows that are due (or all),
// in target-date order.  At start-up it shows itself when reminders are due,
// after removing those whose transaction no longer exists.
#pragma once

#include "ledger/Reminders.h"

#include <QMainWindow>
#include <vector>

class QAction;
class QMenu;
class QTableWidget;
class TFCore;

class TFRemdrs : public QMainWindow {
public:
    explicit TFRemdrs(TFCore& core, QWidget* parent = nullptr);

    // The start-up run: refresh; when reminders are due, remove the dangling
    // ones (refreshing again when any went) and show the window.
    void StartUp();
    // The control window's "Reminders": shows the window and refreshes.
    void Show();
    void Refresh();
    void NewClick();
    void ViewTxnClick();
    void DeleteClick();

    const std::vector<ReminderRow>& Rows() const { return m_rows; }
    int CurrentRow() const;

    QTableWidget* Grid;
    QAction* CloseItem;
    QAction* NewItem;
    QMenu* FilterMenu;
    QAction* CurrentItem;
    QAction* AllItem;
    QMenu* Popup;
    QAction* ViewTxnItem;
    QAction* DeleteItem;

    TFCore& core() const { return m_core; }

private:
    void ShowPopup(const QPoint& global);

    TFCore& m_core;
    std::vector<ReminderRow> m_rows;
};

// The process-wide reminders window, created on first use.
TFRemdrs& FRemdrs(TFCore& core);
// The reminders window when it has been made, else null.
TFRemdrs* FRemdrsIfMade();
