// The check window "Database Check" / "Database Repair": the health check's
// log, its progress strip and the three commands that steer it.
//
// The window shows a run of the health check (ledger/HealthCheck.h), which
// drives it through the HealthCheckView calls: the log grows a line at a
// time, the progress strip at the bottom counts the rows still to come (light
// aqua while a run lasts, silver afterwards), and between rows the window
// takes input, so "Cancel" can stop a run.  Its menu: "Close" (reading
// "Cancel" while a run lasts), "Recheck" (a new run in check mode) and
// "Repair" (asks "OK to Repair now?", then a run in repair mode).  The window
// is not modal: the other windows stay usable while it shows.
#pragma once

#include "ledger/HealthCheck.h"

#include <QMainWindow>

class QAction;
class QLabel;
class QPlainTextEdit;
class TFCore;

class TFRpr : public QMainWindow, public HealthCheckView {
    Q_OBJECT
public:
    explicit TFRpr(TFCore& core, QWidget* parent = nullptr);

    // A run in check mode (the control window's "&Healthcheck / backup").
    // Ignored while a run is in progress.
    void RunCheck();
    // "Recheck": a run in check mode.
    void RecheckItemClick();
    // "Repair": asks "OK to Repair now?"; Yes runs in repair mode.
    void RepairItemClick();
    // "Close" / "Cancel": during a run sets the abort flag and turns the
    // caption back to "Close"; otherwise closes the window.
    void CloseItemClick();

    HealthCheck& Check() { return m_check; }

    // The strip's colours while a run lasts and afterwards.
    static QColor RunningColour() { return QColor(128, 255, 255); }
    static QColor IdleColour() { return QColor(192, 192, 192); }

    QPlainTextEdit* LogMemo;
    QLabel* ProgressPanel;
    QAction* CloseItem;
    QAction* RecheckItem;
    QAction* RepairItem;

    // HealthCheckView.
    void RunStarted(HchkMode mode) override;
    void AddLogLine(const QString& line) override;
    void SetProgress(const QString& text) override;
    void ProcessInput() override;
    void RunFinished() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void SetStripColour(const QColor& colour);

    TFCore& m_core;
    HealthCheck m_check;
};

// The process-wide check window, created on first use for core.
TFRpr& FRpr(TFCore& core);
// The control window's "&Healthcheck / backup": backs up the data folder and
// runs the check in check mode, showing the check window.
void ShowHealthCheck(TFCore& core);
