// The account picker "Select <KIND>": the modal window through which the
// other screens choose one object of a kind.
//
// Two pickers live for the whole run: the first lists every kind but
// counterparties and pots, the second those two, so a counterparty or pot can
// be chosen from an editor that the first picker opened.  Each keeps its own
// kind, filter and list.  The list and the search walk are the plain
// functions of ledger/AccountList.h; this window presents the rows, follows
// the search box and runs the commands.
#pragma once

#include "ledger/AccountList.h"

#include <QDialog>

class QAbstractTableModel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QTableView;
class QToolButton;
class QAction;
class TFCore;
class AccListModel;

class TFAccs : public QDialog {
public:
    TFAccs(TFCore& core, bool second, QWidget* parent = nullptr);

    // Lists the kind from the Favorites filter, positioned on preselectId
    // when it is listed, and shows the window modally; true when chosen.
    bool Execute(int kind, int preselectId);

    int Kind() const { return m_kind; }
    AccFilter Filter() const { return m_filter; }
    // The object id of the current row; 0 when the list is empty.
    int CurrentId() const;

    // Commands, as the controls run them.
    void Choose();
    void RefreshList();
    void NewCmd();
    void SearchCmd();
    void FavoriteCmd();
    void DetailsCmd();
    void DeleteCmd();

    QMenuBar* MainMenu;
    QAction* CloseItem;
    QAction* RefreshItem;
    QAction* NewItem;
    QAction* SearchItem;
    QMenu* Popup;
    QAction* SelectPop;
    QAction* FavoritePop;
    QAction* PostingsPop;
    QAction* DetailsPop;
    QAction* DeletePop;
    QTableView* Grid;
    QLineEdit* SearchBox;
    QRadioButton* FavRdio;
    QRadioButton* RecentRdio;
    QRadioButton* DormantRdio;
    QRadioButton* ClosedRdio;
    QRadioButton* AllRdio;
    QPushButton* FirstBtn;
    QPushButton* LastBtn;
    QToolButton* UpBtn;
    QToolButton* DownBtn;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildQuery();
    void SearchBoxChange();
    void SetFilterSilently(AccFilter f);
    void FilterClicked(AccFilter f);
    void GoToRow(int row);
    void Scroll(bool down);
    void PopupShow(const QPoint& pos);

    TFCore& m_core;
    AccListModel* m_model;
    int m_kind = 0;
    AccFilter m_filter = AccFilter::Favorites;
};
