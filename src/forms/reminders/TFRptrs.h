// The repeater list "Repeating transactions": the standing orders with their
// schedule and accounts, filtered to the active ones or all; a row opens the
// repeater's master in the transaction display, lists its instances, or is
// deleted with or without its instances.
#pragma once

#include "ledger/Reminders.h"

#include <QMainWindow>
#include <vector>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QTableWidget;
class TFCore;

class TFRptrs : public QMainWindow {
public:
    explicit TFRptrs(TFCore& core, QWidget* parent = nullptr);

    // Shows the window and rebuilds the list.
    void Show();
    // Rebuilds the list and returns to the row of the repeater that was current.
    void Refresh();
    void DetailsClick();
    void InstancesClick();
    void DeleteClick();

    // The repeater id of the current row (0 when the list is empty).
    int CurrentId() const;
    const std::vector<RepeaterRow>& Rows() const { return m_rows; }

    QTableWidget* Grid;
    QLabel* FooterLbl;
    QMenu* FilterMenu;
    QAction* CloseItem;
    QAction* RefreshItem;
    QAction* ActiveItem;
    QAction* AllItem;
    QMenu* Popup;
    QAction* DetailsItem;
    QAction* InstancesItem;
    QAction* DeleteItem;

    TFCore& core() const { return m_core; }

private:
    void Rebuild();
    void LocateId(int id);

    TFCore& m_core;
    std::vector<RepeaterRow> m_rows;
};

// The process-wide repeater list, created on first use.
TFRptrs& FRptrs(TFCore& core);
