#include "forms/analysis/TFMonthly.h"

#include "base/Prompter.h"
#include "data/Core.h"
#include "data/Tables.h"
#include "forms/FormPositions.h"
#include "forms/ListHelpers.h"
#include "forms/Screens.h"
#include "ledger/Objects.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>

namespace {

QString Caption(AnalysisMode mode) {
    switch (mode) {
    case AnalysisMode::MonthOnMonth:
        return QStringLiteral("Analysis : Month-on-Month");
    case AnalysisMode::YearOnMonth:
        return QStringLiteral("Analysis : Year-on-Month");
    case AnalysisMode::YearOnYear:
        return QStringLiteral("Analysis : Year-on-Year");
    }
    return {};
}

QString Hint(AnalysisMode mode) {
    switch (mode) {
    case AnalysisMode::MonthOnMonth:
        return QStringLiteral("Column headings show month-start date / Cells contain totals for this month ");
    case AnalysisMode::YearOnMonth:
        return QStringLiteral("Column headings show month-start date / Cells contain totals for this month + "
                              "preceding 11 months ");
    case AnalysisMode::YearOnYear:
        return QStringLiteral("Column headings show year-end date / Cells contain totals for this year ");
    }
    return {};
}

} // namespace

TFMonthly::TFMonthly(TFCore& core, QWidget* parent) : QMainWindow(parent), m_core(core) {
    setObjectName(QStringLiteral("FMonthly"));
    setWindowTitle(Caption(AnalysisMode::MonthOnMonth));
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    auto* top = new QHBoxLayout;
    MoMRdio = new QRadioButton(QStringLiteral("&Month-on-Month"), central);
    YoMRdio = new QRadioButton(QStringLiteral("&Year-on-Month"), central);
    YoYRdio = new QRadioButton(QStringLiteral("Year-on-Y&ear"), central);
    MoMRdio->setChecked(true);
    PrevBtn = new QPushButton(QStringLiteral(" < "), central);
    PrevBtn->setToolTip(QStringLiteral("Previous month"));
    NextBtn = new QPushButton(QStringLiteral(" > "), central);
    NextBtn->setToolTip(QStringLiteral("Next month"));
    for (QRadioButton* r : {MoMRdio, YoMRdio, YoYRdio}) {
        top->addWidget(r);
        connect(r, &QRadioButton::clicked, this, &TFMonthly::Display);
    }
    top->addStretch(1);
    top->addWidget(PrevBtn);
    top->addWidget(NextBtn);
    layout->addLayout(top);
    HintLbl = new QLabel(central);
    HintLbl->setObjectName(QStringLiteral("HintLbl"));
    HintLbl->setTextFormat(Qt::PlainText);
    GroupLbl = new QLabel(central);
    GroupLbl->setObjectName(QStringLiteral("GroupLbl"));
    GroupLbl->setTextFormat(Qt::PlainText);
    layout->addWidget(HintLbl);
    layout->addWidget(GroupLbl);

    // Column 0 fixed: a list of the names beside the scrolling grid.
    auto* grids = new QWidget(central);
    auto* gridsLayout = new QHBoxLayout(grids);
    gridsLayout->setContentsMargins(0, 0, 0, 0);
    gridsLayout->setSpacing(0);
    NameView = new QTableWidget(grids);
    NameView->setObjectName(QStringLiteral("NameView"));
    GridView = new QTableWidget(grids);
    GridView->setObjectName(QStringLiteral("GridView"));
    SetupReadOnlyGrid(NameView, false);
    SetupReadOnlyGrid(GridView, false);
    NameView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    NameView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn); // keeps the rows level with the grid's
    gridsLayout->addWidget(NameView);
    gridsLayout->addWidget(GridView, 1);
    connect(GridView->verticalScrollBar(), &QScrollBar::valueChanged, NameView->verticalScrollBar(),
            &QScrollBar::setValue);
    connect(NameView->verticalScrollBar(), &QScrollBar::valueChanged, GridView->verticalScrollBar(),
            &QScrollBar::setValue);

    m_chart = new QChart;
    m_chart->legend()->setAlignment(Qt::AlignRight);
    ChartView = new QChartView(m_chart, central);
    ChartView->setObjectName(QStringLiteral("ChartView"));
    ChartView->setRenderHint(QPainter::Antialiasing);
    ChartView->setMinimumHeight(160);
    auto* split = new QSplitter(Qt::Vertical, central);
    split->addWidget(grids);
    split->addWidget(ChartView);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    layout->addWidget(split, 1);
    setCentralWidget(central);
    StatusLbl = new QLabel(this);
    StatusLbl->setObjectName(QStringLiteral("StatusLbl"));
    StatusLbl->setAutoFillBackground(true);
    statusBar()->addWidget(StatusLbl, 1);

    QMenuBar* bar = menuBar();
    CloseItem = bar->addAction(QStringLiteral("Close"));
    BackItem = bar->addAction(QStringLiteral("Back"));
    BackItem->setEnabled(false);
    QMenu* display = bar->addMenu(QStringLiteral("&Display"));
    QMenu* col0 = display->addMenu(QStringLiteral("Column 0"));
    auto* col0Group = new QActionGroup(this);
    ResizeItem = col0->addAction(QStringLiteral("Resize"));
    FixItem = col0->addAction(QStringLiteral("Fix"));
    for (QAction* a : {ResizeItem, FixItem}) {
        a->setCheckable(true);
        col0Group->addAction(a);
    }
    FixItem->setChecked(true);
    ExpandAllItem = display->addAction(QStringLiteral("Expand all"));
    CollapseAllItem = display->addAction(QStringLiteral("Collapse all"));
    QMenu* sort = display->addMenu(QStringLiteral("Sort"));
    auto* sortGroup = new QActionGroup(this);
    ByNameItem = sort->addAction(QStringLiteral("by name"));
    ByValueItem = sort->addAction(QStringLiteral("by value"));
    for (QAction* a : {ByNameItem, ByValueItem}) {
        a->setCheckable(true);
        sortGroup->addAction(a);
    }
    ShowPathsItem = display->addAction(QStringLiteral("Show paths"));
    ShowPathsItem->setCheckable(true);
    ShowPathsItem->setChecked(true);
    ShowChartItem = display->addAction(QStringLiteral("Show chart"));
    ShowChartItem->setCheckable(true);
    ShowChartItem->setChecked(true);
    QMenu* exportMenu = bar->addMenu(QStringLiteral("E&xport"));
    ExportItem = exportMenu->addAction(QStringLiteral("to Clipboard"));
    QMenu* debug = bar->addMenu(QStringLiteral("Debug"));
    ClearItem = debug->addAction(QStringLiteral("Clear"));
    DebugRefreshItem = debug->addAction(QStringLiteral("Refresh"));
    RebuildItem = debug->addAction(QStringLiteral("Rebuild"));

    Popup = new QMenu(this);
    DrillItem = Popup->addAction(QStringLiteral("&Drill-down group"));
    ExpandItem = Popup->addAction(QStringLiteral("&Expand group"));
    CollapseItem = Popup->addAction(QStringLiteral("&Collapse group"));
    PostingsItem = Popup->addAction(QStringLiteral("&Postings"));
    DetailsItem = Popup->addAction(QStringLiteral("De&tails"));
    CopyCellItem = Popup->addAction(QStringLiteral("Copy cell"));

    connect(CloseItem, &QAction::triggered, this, &QWidget::close);
    connect(BackItem, &QAction::triggered, this, &TFMonthly::BackClick);
    connect(ResizeItem, &QAction::triggered, this, [this] { SetFixed(false); });
    connect(FixItem, &QAction::triggered, this, [this] { SetFixed(true); });
    connect(ExpandAllItem, &QAction::triggered, this, &TFMonthly::ExpandAllClick);
    connect(CollapseAllItem, &QAction::triggered, this, &TFMonthly::CollapseAllClick);
    connect(ByNameItem, &QAction::triggered, this, [this] { SortClick(false); });
    connect(ByValueItem, &QAction::triggered, this, [this] { SortClick(true); });
    connect(ShowPathsItem, &QAction::triggered, this, &TFMonthly::Display);
    connect(ShowChartItem, &QAction::toggled, ChartView, &QWidget::setVisible);
    connect(ExportItem, &QAction::triggered, this, &TFMonthly::ExportClick);
    connect(ClearItem, &QAction::triggered, this, [this] {
        GridView->setRowCount(0);
        NameView->setRowCount(0);
    });
    connect(DebugRefreshItem, &QAction::triggered, this, &TFMonthly::Display);
    connect(RebuildItem, &QAction::triggered, this, &TFMonthly::RebuildClick);
    connect(PrevBtn, &QPushButton::clicked, this, &TFMonthly::PrevMonthClick);
    connect(NextBtn, &QPushButton::clicked, this, &TFMonthly::NextMonthClick);
    connect(DrillItem, &QAction::triggered, this, &TFMonthly::DrillDownClick);
    connect(ExpandItem, &QAction::triggered, this, &TFMonthly::ExpandGroupClick);
    connect(CollapseItem, &QAction::triggered, this, &TFMonthly::CollapseGroupClick);
    connect(PostingsItem, &QAction::triggered, this, &TFMonthly::PostingsClick);
    connect(DetailsItem, &QAction::triggered, this, &TFMonthly::DetailsClick);
    connect(CopyCellItem, &QAction::triggered, this, &TFMonthly::CopyCellClick);
    for (QTableWidget* view : {GridView, NameView}) {
        connect(view, &QTableWidget::currentCellChanged, this, [this, view](int row, int column) {
            const int col = view == NameView ? 0 : column;
            SetClickedCell(row, col);
            if (view == NameView && GridView->currentRow() != row && row >= 0)
                GridView->setCurrentCell(row, std::max(2, GridView->currentColumn()));
            else if (view == GridView && NameView->currentRow() != row && row >= 0)
                NameView->setCurrentCell(row, 0);
            UpdateChart();
        });
        connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& pos) {
            const QModelIndex i = view->indexAt(pos);
            if (!i.isValid())
                return;
            view->setCurrentCell(i.row(), i.column());
            ShowPopup(view->viewport()->mapToGlobal(pos), i.row(), view == NameView ? 0 : i.column());
        });
        auto* menuKey = new QShortcut(QKeySequence(Qt::Key_Menu), view);
        connect(menuKey, &QShortcut::activated, this, [this, view] {
            const QRect r = view->visualRect(view->currentIndex());
            ShowPopup(view->viewport()->mapToGlobal(r.bottomLeft()), view->currentRow(),
                      view == NameView ? 0 : view->currentColumn());
        });
    }
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, this, &QWidget::close);
    // As wide as the months need, but never wider than the screen.
    const QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                          : QRect(0, 0, 1180, 640);
    resize(std::min(1180, screen.width()), std::min(640, screen.height()));
}

AnalysisMode TFMonthly::Mode() const {
    if (YoMRdio->isChecked())
        return AnalysisMode::YearOnMonth;
    if (YoYRdio->isChecked())
        return AnalysisMode::YearOnYear;
    return AnalysisMode::MonthOnMonth;
}

void TFMonthly::Open(const CalDate& end, int kind) {
    m_kind = kind == 6 ? 6 : 3;
    m_end = end;
    m_start = AnalysisStart(end);
    m_columnDate = end;
    m_group = 0;
    m_stamp = StampAnalysisMembers(m_core, 0, m_kind);
    GroupLbl->clear();
    BackItem->setEnabled(false);
    show();
    raise();
    activateWindow();
    Rebuild();
    Display();
}

void TFMonthly::Rebuild() {
    BusyScope busy(m_core.prompter());
    QPalette pal = StatusLbl->palette();
    const QPalette normal = pal;
    pal.setColor(QPalette::Window, QColor(224, 255, 255));
    StatusLbl->setPalette(pal);
    RebuildMonthly(m_core, m_end, m_kind, [this](const QString& stage, int remaining) {
        StatusLbl->setText(remaining > 0 ? stage + QStringLiteral("  ") + QString::number(remaining) : stage);
        m_core.prompter().ProcessEvents();
    });
    StatusLbl->setPalette(normal);
    StatusLbl->clear();
    NameView->setColumnWidth(0, 200);
    GridView->setColumnWidth(0, 200);
}

void TFMonthly::Display() {
    const AnalysisMode mode = Mode();
    setWindowTitle(Caption(mode));
    HintLbl->setText(Hint(mode));
    BuildAnalysisGrid(m_core, mode, m_kind, m_start, m_end, m_columnDate, m_stamp, ShowPathsItem->isChecked(), m_grid);
    if (ByNameItem->isChecked() || ByValueItem->isChecked())
        SortAnalysisRows(m_grid, ByValueItem->isChecked());
    Fill();
}

void TFMonthly::Fill() {
    const int columns = int(m_grid.headings.size());
    const int rows = int(m_grid.rows.size());
    GridView->setUpdatesEnabled(false);
    GridView->clear();
    GridView->setColumnCount(columns);
    GridView->setRowCount(rows);
    GridView->setHorizontalHeaderLabels(m_grid.headings);
    NameView->clear();
    NameView->setColumnCount(1);
    NameView->setRowCount(rows);
    NameView->setHorizontalHeaderLabels({QString()});
    for (int r = 0; r < rows; ++r) {
        const AnalysisRow& row = m_grid.rows[size_t(r)];
        for (int c = 0; c < columns && c < row.cells.size(); ++c)
            GridView->setItem(r, c, ReadOnlyCell(row.cells[c], c >= 2));
        NameView->setItem(r, 0, ReadOnlyCell(row.cells.value(0)));
    }
    // The names are measured in the name list: the grid's own column 0 is
    // hidden (width 0) while it is fixed.
    GridView->resizeColumnsToContents();
    NameView->resizeColumnToContents(0);
    const int nameWidth = std::max(200, NameView->columnWidth(0));
    GridView->setColumnWidth(0, nameWidth);
    NameView->setColumnWidth(0, nameWidth);
    NameView->setFixedWidth(nameWidth + 2 * NameView->frameWidth());
    GridView->setUpdatesEnabled(true);
    SetFixed(FixItem->isChecked());
    if (rows > 0)
        GridView->setCurrentCell(0, std::min(2, columns - 1));
    UpdateChart();
}

void TFMonthly::SetFixed(bool fixed) {
    NameView->setVisible(fixed);
    GridView->setColumnHidden(0, fixed);
}

const AnalysisRow* TFMonthly::RowAt(int row) const {
    if (row < 0 || row + 1 >= int(m_grid.rows.size()))
        return nullptr; // no row, or the TOTALS row
    return &m_grid.rows[size_t(row)];
}

void TFMonthly::SetClickedCell(int row, int column) {
    m_clickRow = row;
    m_clickCol = column;
}

void TFMonthly::UpdateChart() {
    m_chart->removeAllSeries();
    for (QAbstractAxis* axis : m_chart->axes())
        m_chart->removeAxis(axis);
    const int row = GridView->currentRow();
    const AnalysisRow* r = RowAt(row);
    if (!r) {
        m_chart->setTitle(QString());
        return;
    }
    AnalysisSeries series;
    if (!AnalysisSeriesOf(m_core, r->objId, Mode(), m_grid, series))
        return;
    m_chart->setTitle(r->cells.value(0));
    auto* bars = new QBarSeries;
    auto* set = new QBarSet(Mode() == AnalysisMode::YearOnYear ? QStringLiteral("Year") : QStringLiteral("Month"));
    double low = 0, high = 0;
    for (std::int64_t v : series.bars) {
        *set << double(v) / 100.0;
        low = std::min(low, double(v) / 100.0);
        high = std::max(high, double(v) / 100.0);
    }
    bars->append(set);
    m_chart->addSeries(bars);
    auto* axisX = new QBarCategoryAxis;
    QStringList labels;
    for (const QString& l : series.labels)
        labels << l.mid(2, 5); // "25-12": readable on a narrow screen
    axisX->append(labels);
    auto* axisY = new QValueAxis;
    m_chart->addAxis(axisX, Qt::AlignBottom);
    m_chart->addAxis(axisY, Qt::AlignLeft);
    bars->attachAxis(axisX);
    bars->attachAxis(axisY);
    if (!series.rolling.empty()) {
        auto* line = new QLineSeries;
        line->setName(QStringLiteral("Rolling year"));
        for (size_t i = 0; i < series.rolling.size(); ++i) {
            const double v = double(series.rolling[i]) / 100.0;
            line->append(double(i), v);
            low = std::min(low, v);
            high = std::max(high, v);
        }
        m_chart->addSeries(line);
        line->attachAxis(axisX);
        line->attachAxis(axisY);
    }
    axisY->setRange(low, high > low ? high : low + 1);
    axisY->applyNiceNumbers();
}

void TFMonthly::ShowPopup(const QPoint& global, int row, int column) {
    // Column 0 counts as column 1.
    SetClickedCell(row, std::max(1, column));
    const AnalysisRow* r = RowAt(row);
    const bool isGroup = r && r->type == GroupKindOf(m_kind);
    DrillItem->setEnabled(isGroup);
    ExpandItem->setEnabled(isGroup);
    CollapseItem->setEnabled(r && r->grpid != m_group && r->grpid > 0);
    PostingsItem->setEnabled(r && !isGroup && ScreenBuilt(Screen::Postings));
    DetailsItem->setEnabled(r && ScreenBuilt(Screen::Editors));
    CopyCellItem->setEnabled(true);
    Popup->popup(global);
}

void TFMonthly::Reselect(const QString& name) {
    for (int i = 0; i + 1 < int(m_grid.rows.size()); ++i) {
        const QString& text = m_grid.rows[size_t(i)].cells[0];
        if (text.startsWith(name) || name.startsWith(text)) {
            GridView->setCurrentCell(i, std::max(2, GridView->currentColumn()));
            return;
        }
    }
}

void TFMonthly::BackClick() {
    if (m_group == 0)
        return;
    ObjRec group;
    const int left = m_group;
    m_group = ReadObj(m_core, left, group) ? group.Grpid : 0;
    m_stamp = StampAnalysisMembers(m_core, m_group, m_kind);
    ObjRec parent;
    GroupLbl->setText(m_group > 0 && ReadObj(m_core, m_group, parent)
                          ? QStringLiteral("Group : \"") + GroupPath(m_core, parent.Id) + QStringLiteral(" ") +
                                parent.Name + QStringLiteral("\"")
                          : QString());
    BackItem->setEnabled(m_group > 0);
    Display();
    for (int i = 0; i + 1 < int(m_grid.rows.size()); ++i)
        if (m_grid.rows[size_t(i)].objId == left) {
            GridView->setCurrentCell(i, 2);
            return;
        }
}

void TFMonthly::DrillDownClick() {
    const AnalysisRow* r = RowAt(m_clickRow);
    if (!r || r->type != GroupKindOf(m_kind))
        return;
    ObjRec group;
    if (!ReadObj(m_core, r->objId, group))
        return;
    m_group = group.Id;
    GroupLbl->setText(QStringLiteral("Group : \"") + GroupPath(m_core, group.Id) + QStringLiteral(" ") + group.Name +
                      QStringLiteral("\""));
    m_stamp = StampAnalysisMembers(m_core, m_group, m_kind);
    BackItem->setEnabled(true);
    Display();
}

void TFMonthly::ExpandGroupClick() {
    const AnalysisRow* r = RowAt(m_clickRow);
    if (!r || r->type != GroupKindOf(m_kind))
        return;
    const QString name = r->cells[0];
    StampGroupMembers(m_core, r->objId, m_kind, m_stamp);
    Display();
    Reselect(name);
}

void TFMonthly::CollapseGroupClick() {
    const AnalysisRow* r = RowAt(m_clickRow);
    if (!r || r->grpid <= 0 || r->grpid == m_group)
        return;
    const int group = r->grpid;
    ObjRec g;
    const QString name = ReadObj(m_core, group, g) ? g.Name : QString();
    UnstampBelow(m_core, group, m_kind, m_stamp);
    Display();
    if (!name.isEmpty())
        Reselect(ShowPathsItem->isChecked() ? GroupPath(m_core, g.Id) + QStringLiteral(" ") + name : name);
}

void TFMonthly::ExpandAllClick() {
    m_stamp = NewListStamp();
    StampGroupMembers(m_core, m_group, m_kind, m_stamp);
    StampAllBelow(m_core, m_group, m_kind, m_stamp);
    Display();
}

void TFMonthly::CollapseAllClick() {
    m_stamp = StampAnalysisMembers(m_core, 0, m_kind);
    m_group = 0;
    GroupLbl->clear();
    BackItem->setEnabled(false);
    Display();
}

void TFMonthly::PrevMonthClick() {
    m_columnDate = AnalysisMonthStep(m_columnDate, m_columnDate.day, -1);
    Display();
}

void TFMonthly::NextMonthClick() {
    m_columnDate = AnalysisMonthStep(m_columnDate, m_columnDate.day, 1);
    Display();
}

void TFMonthly::RebuildClick() {
    if (!m_core.prompter().AskYesNo(QStringLiteral("Rebuild takes a few seconds - are you sure?")))
        return;
    GridView->setRowCount(0);
    NameView->setRowCount(0);
    Rebuild();
    Display();
}

void TFMonthly::PostingsClick() {
    const AnalysisRow* r = RowAt(m_clickRow);
    if (!r || r->type == GroupKindOf(m_kind) || !ScreenBuilt(Screen::Postings))
        return;
    const bool monthColumn = Mode() != AnalysisMode::YearOnYear && m_clickCol >= 2 && m_clickCol <= 13;
    const QString date = m_grid.headings.value(monthColumn ? m_clickCol : 2);
    OpenPostingsAtDate(m_core, r->objId, date);
}

void TFMonthly::DetailsClick() {
    const AnalysisRow* r = RowAt(m_clickRow);
    if (r && ScreenBuilt(Screen::Editors))
        EditObject(m_core, r->objId);
}

void TFMonthly::CopyCellClick() {
    const int row = m_clickRow;
    if (row < 0 || row >= int(m_grid.rows.size()))
        return;
    const int col = std::max(0, m_clickCol);
    QApplication::clipboard()->setText(m_grid.rows[size_t(row)].cells.value(col));
}

void TFMonthly::SortClick(bool byValue) {
    (byValue ? ByValueItem : ByNameItem)->setChecked(true);
    SortAnalysisRows(m_grid, byValue);
    Fill();
}

void TFMonthly::ExportClick() {
    if (!ScreenBuilt(Screen::Clipboard))
        return;
    QStandardItemModel model(int(m_grid.rows.size()) + 1, int(m_grid.headings.size()));
    for (int c = 0; c < m_grid.headings.size(); ++c)
        model.setItem(0, c, new QStandardItem(m_grid.headings[c]));
    for (int r = 0; r < int(m_grid.rows.size()); ++r)
        for (int c = 0; c < m_grid.rows[size_t(r)].cells.size(); ++c)
            model.setItem(r + 1, c, new QStandardItem(m_grid.rows[size_t(r)].cells[c]));
    ExportGrid(&model, QStringLiteral("KOVRAL ") + windowTitle() + QStringLiteral("  "));
}

TFMonthly& FMonthly(TFCore& core) {
    static QPointer<TFMonthly> window;
    if (window && &window->core() != &core)
        delete window.data(); // made for a core that has gone
    if (!window) {
        window = new TFMonthly(core);
        RegisterForm(window);
    }
    return *window;
}
