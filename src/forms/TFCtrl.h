// The control window "KOVRAL - Control": the program's main window.  It shows
// the details of the open database (name, location, version, archive status,
// balance period), a one-line status panel, and the main menu from which the
// screens and the database commands are reached.  Closing it closes the
// database (settings and window positions written) and ends the program.
#pragma once

#include <QMainWindow>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;
class TFCore;
class WidgetPrompter;

class TFCtrl : public QMainWindow {
public:
    TFCtrl(TFCore& core, WidgetPrompter& prompter, QWidget* parent = nullptr);
    // Unhooks the window from the core and the prompter.
    ~TFCtrl() override;

    // Shows the database details, the period line and the rebalance status
    // from the core's settings.
    void RefreshDetails();
    // The status panel: yellow while it shows a text, the normal button face
    // when empty.
    void SetStatusText(const QString& text);

    // Menu commands and buttons.
    void SeekAccountClick();
    void EditNameClick();
    void ChangePeriodClick();
    void RebalanceClick();
    void SelectDatabaseClick();
    void CalendarClick();
    // Esc: asks "OK to exit program?"; Yes closes the window.
    void EscapeClick();
    // Started once the window is enabled: loads the window positions.
    void StartTimer();
    void StartTimerTick();

    QLabel* StatusPanel;
    QLineEdit* NameBox;
    QPushButton* EditBtn;
    QLabel* LocationLbl;
    QLabel* VersionLbl;
    QLabel* StartDateLbl;
    QLabel* StartDateText;
    QLabel* EndDateLbl;
    QLabel* EndDateText;
    QLabel* PeriodLbl;
    QPushButton* ChangeBtn;
    QTimer* StartupTimer;

    QAction* ExitItem;
    QMenu* AccountsMenu;
    QAction* ExternalItem;
    QAction* InternalItem;
    QAction* CptysItem;
    QAction* CtgysItem;
    QAction* SeekItem;
    QMenu* TxnsMenu;
    QAction* NewTxnItem;
    QAction* SearchItem;
    QAction* JournalItem;
    QAction* RepeatersItem;
    QAction* RemindersItem;
    QAction* DiaryItem;
    QAction* RebalanceItem;
    QAction* AnalysisItem;
    QMenu* DatabaseMenu;
    QAction* SelectItem;
    QAction* HealthcheckItem;
    QAction* ArchiveItem;
    QMenu* ToolsMenu;
    QAction* NotepadItem;
    QAction* CalendarItem;
    QAction* AboutItem;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    TFCore& m_core;
    WidgetPrompter& m_prompter;
    bool m_refreshing = false;
    bool m_closed = false;
};
