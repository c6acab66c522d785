#include "forms/TFCtrl.h"

#include "base/Dates.h"
#include "data/Core.h"
#include "data/SettingsFile.h"
#include "forms/FormPositions.h"
#include "forms/Screens.h"
#include "forms/TFAbout1.h"
#include "forms/TFCal.h"
#include "forms/TFRebal.h"
#include "forms/TFRpr.h"
#include "forms/TFnotepad.h"
#include "forms/Tfselfolder.h"
#include "forms/WidgetPrompter.h"
#include "forms/analysis/TFanlsys.h"
#include "forms/reminders/TFDiary.h"
#include "forms/reminders/TFRemdrs.h"
#include "forms/reminders/TFRptrs.h"
#include "ledger/Archive.h"
#include "ledger/Balances.h"
#include "ledger/Database.h"
#include "ledger/Objects.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

namespace {
QLabel* plainLabel(QWidget* parent, const QString& name, const QString& text = QString()) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setTextFormat(Qt::PlainText);
    return l;
}
} // namespace

TFCtrl::TFCtrl(TFCore& core, WidgetPrompter& prompter, QWidget* parent)
    : QMainWindow(parent), m_core(core), m_prompter(prompter) {
    setObjectName(QStringLiteral("FCtrl"));
    setWindowTitle(QStringLiteral("KOVRAL - Control"));
    setEnabled(false); // enabled once every window exists

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    StatusPanel = plainLabel(central, QStringLiteral("StatusPanel"));
    StatusPanel->setAutoFillBackground(true);
    StatusPanel->setMinimumHeight(22);
    StatusPanel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    StatusPanel->setFrameShape(QFrame::Panel);
    StatusPanel->setFrameShadow(QFrame::Sunken);
    layout->addWidget(StatusPanel);

    auto* details = new QGroupBox(QStringLiteral("Database details"), central);
    details->setObjectName(QStringLiteral("DetailsGroup"));
    auto* grid = new QGridLayout(details);
    int row = 0;
    grid->addWidget(plainLabel(details, QStringLiteral("NameCaption"), QStringLiteral("Name")), row, 0);
    NameBox = new QLineEdit(details);
    NameBox->setObjectName(QStringLiteral("NameBox"));
    NameBox->setReadOnly(true);
    {
        QPalette pal = NameBox->palette();
        pal.setColor(QPalette::Base, QColor(192, 192, 192));
        NameBox->setPalette(pal);
    }
    grid->addWidget(NameBox, row, 1, 1, 2);
    EditBtn = new QPushButton(QStringLiteral("Edit"), details);
    EditBtn->setObjectName(QStringLiteral("EditBtn"));
    grid->addWidget(EditBtn, row, 3);
    ++row;
    grid->addWidget(plainLabel(details, QStringLiteral("LocationCaption"), QStringLiteral("Location")), row, 0);
    LocationLbl = plainLabel(details, QStringLiteral("LocationLbl"));
    grid->addWidget(LocationLbl, row, 1, 1, 3);
    ++row;
    grid->addWidget(plainLabel(details, QStringLiteral("VersionCaption"), QStringLiteral("Version")), row, 0);
    VersionLbl = plainLabel(details, QStringLiteral("VersionLbl"));
    grid->addWidget(VersionLbl, row, 1, 1, 3);
    ++row;
    grid->addWidget(plainLabel(details, QStringLiteral("StartCaption"), QStringLiteral("Start date")), row, 0);
    StartDateLbl = plainLabel(details, QStringLiteral("StartDateLbl"));
    StartDateText = plainLabel(details, QStringLiteral("StartDateText"));
    grid->addWidget(StartDateLbl, row, 1);
    grid->addWidget(StartDateText, row, 2, 1, 2);
    ++row;
    grid->addWidget(plainLabel(details, QStringLiteral("EndCaption"), QStringLiteral("End date")), row, 0);
    EndDateLbl = plainLabel(details, QStringLiteral("EndDateLbl"));
    EndDateText = plainLabel(details, QStringLiteral("EndDateText"));
    grid->addWidget(EndDateLbl, row, 1);
    grid->addWidget(EndDateText, row, 2, 1, 2);
    ++row;
    grid->addWidget(plainLabel(details, QStringLiteral("PeriodCaption"), QStringLiteral("Period ")), row, 0);
    PeriodLbl = plainLabel(details, QStringLiteral("PeriodLbl"));
    grid->addWidget(PeriodLbl, row, 1, 1, 2);
    ChangeBtn = new QPushButton(QStringLiteral("Change"), details);
    ChangeBtn->setObjectName(QStringLiteral("ChangeBtn"));
    grid->addWidget(ChangeBtn, row, 3);
    grid->setColumnStretch(2, 1);
    layout->addWidget(details);
    layout->addStretch(1);
    setCentralWidget(central);

    // The menu, captions exactly as the user knows them.
    QMenuBar* bar = menuBar();
    ExitItem = bar->addAction(QStringLiteral("&Exit"));
    AccountsMenu = bar->addMenu(QStringLiteral("&Accounts"));
    ExternalItem = AccountsMenu->addAction(QStringLiteral("&External  ( \"Cash\" )"));
    InternalItem = AccountsMenu->addAction(QStringLiteral("&Internal  ( \"Pots\" ) "));
    CptysItem = AccountsMenu->addAction(QStringLiteral("&Counterparties"));
    CtgysItem = AccountsMenu->addAction(QStringLiteral("C&ategories"));
    AccountsMenu->addSeparator();
    SeekItem = AccountsMenu->addAction(QStringLiteral("&Seek account by id"));
    TxnsMenu = bar->addMenu(QStringLiteral("&Transactions"));
    NewTxnItem = TxnsMenu->addAction(QStringLiteral("New"));
    TxnsMenu->addSeparator();
    SearchItem = TxnsMenu->addAction(QStringLiteral("&Search"));
    TxnsMenu->addSeparator();
    JournalItem = TxnsMenu->addAction(QStringLiteral("&Journal"));
    RepeatersItem = TxnsMenu->addAction(QStringLiteral("&Repeaters"));
    RemindersItem = TxnsMenu->addAction(QStringLiteral("Reminders"));
    DiaryItem = TxnsMenu->addAction(QStringLiteral("Diary entry"));
    RebalanceItem = bar->addAction(QStringLiteral("&Rebalance"));
    AnalysisItem = bar->addAction(QStringLiteral("A&nalysis"));
    DatabaseMenu = bar->addMenu(QStringLiteral("&Database"));
    SelectItem = DatabaseMenu->addAction(QStringLiteral("&Select"));
    HealthcheckItem = DatabaseMenu->addAction(QStringLiteral("&Healthcheck / backup"));
    ArchiveItem = DatabaseMenu->addAction(QStringLiteral("&Archive"));
    ToolsMenu = bar->addMenu(QStringLiteral("T&ools"));
    NotepadItem = ToolsMenu->addAction(QStringLiteral("&Notepad"));
    CalendarItem = ToolsMenu->addAction(QStringLiteral("&Calendar"));
    AboutItem = bar->addAction(QStringLiteral("A&bout"));

    // Every command opens its screen; a screen not built yet keeps its
    // command disabled.
    NewTxnItem->setEnabled(ScreenBuilt(Screen::Entry));
    connect(NewTxnItem, &QAction::triggered, this, [this] {
        int id = 0;
        if (m_core.databaseDetails.open && NewTransaction(m_core, id) && id > 0)
            ShowTransaction(m_core, id);
    });
    const std::pair<QAction*, int> balances[] = {{ExternalItem, 1}, {InternalItem, 6}, {CptysItem, 4}, {CtgysItem, 3}};
    for (const auto& [item, kind] : balances) {
        item->setEnabled(ScreenBuilt(Screen::Balances));
        connect(item, &QAction::triggered, this, [this, kind = kind] {
            if (m_core.databaseDetails.open)
                OpenBalances(m_core, kind);
        });
    }

    connect(ExitItem, &QAction::triggered, this, &QWidget::close);
    connect(SeekItem, &QAction::triggered, this, &TFCtrl::SeekAccountClick);
    connect(RebalanceItem, &QAction::triggered, this, &TFCtrl::RebalanceClick);
    connect(SelectItem, &QAction::triggered, this, &TFCtrl::SelectDatabaseClick);
    connect(HealthcheckItem, &QAction::triggered, this, [this] {
        if (m_core.databaseDetails.open)
            ShowHealthCheck(m_core);
    });
    connect(ArchiveItem, &QAction::triggered, this, [this] {
        if (m_core.databaseDetails.open)
            ArchiveTransactions(m_core);
        RefreshDetails();
    });
    connect(AnalysisItem, &QAction::triggered, this, [this] {
        if (m_core.databaseDetails.open)
            Fanlsys(m_core).Show();
    });
    connect(SearchItem, &QAction::triggered, this, [this] {
        if (m_core.databaseDetails.open)
            OpenSearch(m_core);
    });
    connect(JournalItem, &QAction::triggered, this, [this] {
        if (m_core.databaseDetails.open)
            Journal(m_core);
    });
    connect(RepeatersItem, &QAction::triggered, this, [this] {
        if (m_core.databaseDetails.open)
            FRptrs(m_core).Show();
    });
    connect(RemindersItem, &QAction::triggered, this, [this] {
        if (m_core.databaseDetails.open)
            FRemdrs(m_core).Show();
    });
    connect(DiaryItem, &QAction::triggered, this, [this] {
        if (m_core.databaseDetails.open)
            FDiary(m_core).Show();
    });
    connect(NotepadItem, &QAction::triggered, this, [] { ShowNotepad(); });
    connect(CalendarItem, &QAction::triggered, this, &TFCtrl::CalendarClick);
    connect(AboutItem, &QAction::triggered, this, [] { ShowAbout(); });
    connect(EditBtn, &QPushButton::clicked, this, &TFCtrl::EditNameClick);
    connect(ChangeBtn, &QPushButton::clicked, this, &TFCtrl::ChangePeriodClick);
    // Every change of the name box is the database's name at once.
    connect(NameBox, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (!m_refreshing)
            m_core.settings().DatabaseName = t;
    });
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, this, &TFCtrl::EscapeClick);

    StartupTimer = new QTimer(this);
    StartupTimer->setSingleShot(true);
    StartupTimer->setInterval(500);
    connect(StartupTimer, &QTimer::timeout, this, &TFCtrl::StartTimerTick);

    m_core.onControlRefresh = [this] { RefreshDetails(); };
    m_core.collectFormPositions = [] { return CollectFormPositions(); };
    m_prompter.statusSink = [this](const QString& t) { SetStatusText(t); };
    resize(560, 300);
    RegisterForm(this);
    RefreshDetails();
}

TFCtrl::~TFCtrl() {
    m_core.onControlRefresh = nullptr;
    m_core.collectFormPositions = nullptr;
    m_prompter.statusSink = nullptr;
}

void TFCtrl::SetStatusText(const QString& text) {
    StatusPanel->setText(text);
    QPalette pal = StatusPanel->palette();
    pal.setColor(QPalette::Window, text.isEmpty() ? palette().color(QPalette::Button) : QColor(Qt::yellow));
    StatusPanel->setPalette(pal);
    StatusPanel->repaint();
}

void TFCtrl::RefreshDetails() {
    const Settings& s = m_core.settings();
    const DatabaseDetails& d = m_core.databaseDetails;
    m_refreshing = true;
    if (NameBox->text() != s.DatabaseName)
        NameBox->setText(s.DatabaseName);
    m_refreshing = false;
    LocationLbl->setText(m_core.dataFolder());
    VersionLbl->setText(d.open ? QString::number(d.version) : QString());
    StartDateLbl->setText(d.startDateValue);
    StartDateText->setText(d.startDateText);
    EndDateLbl->setText(d.endDateValue);
    EndDateText->setText(d.endDateText);
    PeriodLbl->setText(QStringLiteral("From ") + CalToDateStr(s.BalFrom) + QStringLiteral(" to ") +
                       CalToDateStr(s.BalAt));
    SetStatusText(s.RebalNeeded ? QStringLiteral(" Rebalance needed") : QString());
    // Without an open database (another copy of the program holds the
    // folder, or it could not be opened) only Select and the tools are
    // offered.
    for (QWidget* w : std::initializer_list<QWidget*>{EditBtn, ChangeBtn, NameBox})
        w->setEnabled(d.open);
    for (QAction* a : {SeekItem, RebalanceItem, HealthcheckItem, ArchiveItem})
        a->setEnabled(d.open);
}

void TFCtrl::SeekAccountClick() {
    QString text;
    if (!m_prompter.InputString(QStringLiteral("Account id search"), QStringLiteral("Enter account id"), text))
        return;
    bool isNumber = false;
    const int id = text.trimmed().toInt(&isNumber);
    if (!isNumber || id < 1)
        return;
    // The editor of the object's kind; a missing id shows the reader's message.
    EditObject(m_core, id);
}

void TFCtrl::EditNameClick() {
    QString name = NameBox->text();
    if (m_prompter.InputString(QStringLiteral("Edit database name"), QString(), name))
        NameBox->setText(name);
}

void TFCtrl::ChangePeriodClick() {
    ShowPeriodDialog(m_core);
    RefreshDetails();
}

void TFCtrl::RebalanceClick() {
    if (m_core.databaseDetails.open)
        Rebalance(m_core);
    RefreshDetails();
}

void TFCtrl::SelectDatabaseClick() {
    const OpenResult r = SelectDatabaseFolder(m_core, [](QString& path) { return ChooseFolder(path); });
    if (r == OpenResult::Declined) {
        m_closed = true; // a declined conversion ends the program with nothing more written
        QCoreApplication::exit(0);
        return;
    }
    RefreshDetails();
}

void TFCtrl::CalendarClick() {
    CalDate d = m_core.settings().Today;
    PickDate(d); // the date picked is not used
}

void TFCtrl::EscapeClick() {
    if (m_prompter.AskYesNo(QStringLiteral("OK to exit program?")))
        close();
}

void TFCtrl::StartTimer() {
    StartupTimer->start();
}

void TFCtrl::StartTimerTick() {
    StartupTimer->stop();
    ApplyFormPositions(ReadFormPositions(SettingsPath(m_core.dataFolder())));
    // Reminders shown at start-up take the focus.
    if (TFRemdrs* reminders = FRemdrsIfMade(); reminders && reminders->isVisible()) {
        reminders->raise();
        reminders->activateWindow();
    }
}

void TFCtrl::closeEvent(QCloseEvent* event) {
    // Closing is always granted: the notepad saves, the database closes
    // (settings and window positions written), and the program ends.
    if (!m_closed) {
        m_closed = true;
        FNotepad().close();
        CloseDatabase(m_core);
        // Whatever else is open goes with it: no window may go on without
        // the control window (nor reopen the database behind it).
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != this && w->isVisible())
                w->hide();
        QCoreApplication::quit();
    }
    event->accept();
}
