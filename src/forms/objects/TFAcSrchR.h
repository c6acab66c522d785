// The account name/notes search "Account search results": asks for a text,
// stamps every object whose name or note holds it with one run marker and
// lists the stamped objects of a kind and its groups (modeless).  The marking
// and the rows are ledger/AccountList.h's; this window presents them and runs
// the drill-down, postings, details, close and delete commands on a row.
#pragma once

#include "ledger/AccountList.h"

#include <QDateTime>
#include <QDialog>

class QAction;
class QMenu;
class QMenuBar;
class QTableView;
class TFCore;
class AcSearchModel;

class TFAcSrchR : public QDialog {
public:
    TFAcSrchR(TFCore& core, QWidget* parent = nullptr);

    // Asks for the text (kept between searches) and, unless cancelled or
    // empty, marks, lists and shows the results.
    void NewSearch(int kind);
    // Reruns the results query with the same marker.
    void RefreshList();

    int CurrentId() const;
    int CurrentType() const;
    void DrillDown();
    void CloseObjectCmd();

    QMenuBar* MainMenu;
    QAction* CloseItem;
    QAction* RefreshItem;
    QAction* NewSearchItem;
    QTableView* Grid;
    QMenu* Popup;
    QAction* DrillDownPop;
    QAction* PostingsPop;
    QAction* DetailsPop;
    QAction* ClosePop;
    QAction* DeletePop;

private:
    void PopupShow(const QPoint& pos);

    TFCore& m_core;
    AcSearchModel* m_model;
    int m_kind = 0;
    QString m_text;
    QDateTime m_marker;
};
