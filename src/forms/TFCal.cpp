// The calendar date picker and the PickDate family built on it.
#include "forms/TFCal.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString kYearHint = QStringLiteral("Right click to select year");
const QString kMonthHint = QStringLiteral("Right click to select month");
constexpr int kLastFirstYear = 9999 - 8; // the popup never shows a year past 9999

bool ValidStart(const CalDate& d) {
    return d.year != 0 && d.year != 9999 && d.month >= 1 && d.month <= 12 && d.day >= 1 && d.day <= 31;
}

QPushButton* MakeButton(const QString& text, QWidget* parent, const char* name) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    if (text.size() == 1) // the step arrows stay narrow
        b->setFixedWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("<<<")) + 16);
    return b;
}

QPointer<TFCal> g_cal;
void DeleteCal() {
    delete g_cal.data();
}

} // namespace

TFCal::TFCal(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FCal"));
    setWindowTitle(QStringLiteral(" Calendar"));

    YearRow = new QWidget(this);
    YearRow->setObjectName(QStringLiteral("YearRow"));
    PrevYearBtn = MakeButton(QStringLiteral("<"), YearRow, "PrevYearBtn");
    YearBtn = MakeButton(QString(), YearRow, "YearBtn");
    NextYearBtn = MakeButton(QStringLiteral(">"), YearRow, "NextYearBtn");
    auto* yearLayout = new QHBoxLayout(YearRow);
    yearLayout->setContentsMargins(0, 0, 0, 0);
    yearLayout->addWidget(PrevYearBtn);
    yearLayout->addWidget(YearBtn, 1);
    yearLayout->addWidget(NextYearBtn);

    MonthRow = new QWidget(this);
    MonthRow->setObjectName(QStringLiteral("MonthRow"));
    PrevMonthBtn = MakeButton(QStringLiteral("<"), MonthRow, "PrevMonthBtn");
    MonthBtn = MakeButton(QString(), MonthRow, "MonthBtn");
    NextMonthBtn = MakeButton(QStringLiteral(">"), MonthRow, "NextMonthBtn");
    auto* monthLayout = new QHBoxLayout(MonthRow);
    monthLayout->setContentsMargins(0, 0, 0, 0);
    monthLayout->addWidget(PrevMonthBtn);
    monthLayout->addWidget(MonthBtn, 1);
    monthLayout->addWidget(NextMonthBtn);

    for (QWidget* w : {static_cast<QWidget*>(YearRow), static_cast<QWidget*>(PrevYearBtn),
                       static_cast<QWidget*>(YearBtn), static_cast<QWidget*>(NextYearBtn)})
        w->setToolTip(kYearHint);
    for (QWidget* w : {static_cast<QWidget*>(MonthRow), static_cast<QWidget*>(PrevMonthBtn),
                       static_cast<QWidget*>(MonthBtn), static_cast<QWidget*>(NextMonthBtn)})
        w->setToolTip(kMonthHint);
    // A right click anywhere on a row (its buttons pass it on) opens the popup.
    YearRow->setContextMenuPolicy(Qt::CustomContextMenu);
    MonthRow->setContextMenuPolicy(Qt::CustomContextMenu);

    Grid = new QTableWidget(7, 7, this);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->horizontalHeader()->hide();
    Grid->verticalHeader()->hide();
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    Grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const QFontMetrics fm(Grid->font());
    const int cellWidth = fm.horizontalAdvance(QStringLiteral(" WWW ")) + 6;
    const int cellHeight = fm.height() + 6;
    for (int i = 0; i < 7; ++i) {
        Grid->setColumnWidth(i, cellWidth);
        Grid->setRowHeight(i, cellHeight);
        for (int j = 0; j < 7; ++j)
            Grid->setItem(i, j, new QTableWidgetItem);
    }
    Grid->setFixedSize(7 * cellWidth + 2 * Grid->frameWidth(), 7 * cellHeight + 2 * Grid->frameWidth());

    DateBox = new QLineEdit(this);
    DateBox->setObjectName(QStringLiteral("DateBox"));
    TodayBtn = MakeButton(QStringLiteral("Today"), this, "TodayBtn");
    OKBtn = MakeButton(QStringLiteral("OK"), this, "OKBtn");
    OKBtn->setDefault(true);
    CancelBtn = MakeButton(QStringLiteral("Cancel"), this, "CancelBtn");
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(DateBox, 1);
    bottom->addWidget(TodayBtn);
    bottom->addWidget(OKBtn);
    bottom->addWidget(CancelBtn);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(YearRow);
    layout->addWidget(MonthRow);
    layout->addWidget(Grid, 0, Qt::AlignHCenter);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    YearMenu = new QMenu(this);
    YearMenu->setObjectName(QStringLiteral("YearMenu"));
    QAction* up = YearMenu->addAction(QStringLiteral("  /\\"));
    for (auto& a : m_yearActions) {
        a = YearMenu->addAction(QString());
        connect(a, &QAction::triggered, this, [this, a] { ChooseYear(a->data().toInt()); });
    }
    QAction* down = YearMenu->addAction(QStringLiteral("  \\/"));
    connect(up, &QAction::triggered, this, [this] { YearsUp(); });
    connect(down, &QAction::triggered, this, [this] { YearsDown(); });
    RelabelYears();

    MonthMenu = new QMenu(this);
    MonthMenu->setObjectName(QStringLiteral("MonthMenu"));
    for (int m = 1; m <= 12; ++m) {
        QAction* a = MonthMenu->addAction(MonthName(m));
        connect(a, &QAction::triggered, this, [this, m] { ChooseMonth(m); });
    }

    connect(PrevYearBtn, &QPushButton::clicked, this, [this] { PrevYearBtnClick(); });
    connect(NextYearBtn, &QPushButton::clicked, this, [this] { NextYearBtnClick(); });
    connect(PrevMonthBtn, &QPushButton::clicked, this, [this] { PrevMonthBtnClick(); });
    connect(NextMonthBtn, &QPushButton::clicked, this, [this] { NextMonthBtnClick(); });
    connect(YearBtn, &QPushButton::clicked, this, [this] { YearPopup(); });
    connect(MonthBtn, &QPushButton::clicked, this, [this] { MonthPopup(); });
    connect(YearRow, &QWidget::customContextMenuRequested, this, [this] { YearPopup(); });
    connect(MonthRow, &QWidget::customContextMenuRequested, this, [this] { MonthPopup(); });
    connect(TodayBtn, &QPushButton::clicked, this, [this] { TodayBtnClick(); });
    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(Grid, &QTableWidget::cellClicked, this, [this](int r, int c) { GridClick(r, c); });
    connect(Grid, &QTableWidget::cellDoubleClicked, this, [this](int r, int c) { GridDblClick(r, c); });

    SetDate(Today());
}

CalDate TFCal::shownDate() const {
    CalDate d = m_date;
    const int length = MonthLength(d.year, d.month);
    if (length > 0 && d.day > length)
        d.day = static_cast<std::uint16_t>(length);
    return WithDayOfWeek(d);
}

void TFCal::SetDate(const CalDate& date) {
    m_date = date;
    Refresh();
}

QString TFCal::CellText(int row, int column) const {
    const QTableWidgetItem* item = Grid->item(row, column);
    return item ? item->text() : QString();
}

int TFCal::FilledDayCells() const {
    int n = 0;
    for (int r = 1; r < 7; ++r)
        for (int c = 0; c < 7; ++c)
            if (!CellText(r, c).trimmed().isEmpty())
                ++n;
    return n;
}

void TFCal::Refresh() {
    m_filling = true;
    m_date = WithDayOfWeek(m_date);
    const CalDate shown = shownDate();
    YearBtn->setText(QString::number(m_date.year));
    MonthBtn->setText(MonthName(m_date.month));
    DateBox->setText(CalToDateStrDay(shown));

    for (int c = 0; c < 7; ++c)
        Grid->item(0, c)->setText(QLatin1Char(' ') + DayShortName(c + 1));
    for (int r = 1; r < 7; ++r)
        for (int c = 0; c < 7; ++c)
            Grid->item(r, c)->setText(QString());

    Grid->setCurrentCell(-1, -1);
    Grid->clearSelection();
    const int length = MonthLength(m_date.year, m_date.month);
    if (length > 0) {
        int column = DayOfWeek(MakeDate(m_date.year, m_date.month, 1)) - 1; // Monday = column 0
        int row = 1;
        for (int day = 1; day <= length; ++day) {
            Grid->item(row, column)
                ->setText(QStringLiteral("  ") + QString::number(day).rightJustified(2, QLatin1Char(' ')));
            if (day == shown.day)
                Grid->setCurrentCell(row, column);
            if (++column == 7) {
                column = 0;
                ++row;
            }
        }
    }
    m_filling = false;
}

void TFCal::RelabelYears() {
    for (int i = 0; i < 9; ++i) {
        const int year = m_firstYear + i;
        m_yearActions[i]->setText(QString::number(year));
        m_yearActions[i]->setData(year);
    }
}

void TFCal::PrevYearBtnClick() {
    PrevYear(m_date);
    Refresh();
}

void TFCal::NextYearBtnClick() {
    NextYear(m_date);
    Refresh();
}

void TFCal::PrevMonthBtnClick() {
    PrevMonth(m_date);
    Refresh();
}

void TFCal::NextMonthBtnClick() {
    NextMonth(m_date);
    Refresh();
}

void TFCal::TodayBtnClick() {
    SetDate(Today());
}

void TFCal::YearPopup() {
    YearMenu->popup(QCursor::pos());
}

void TFCal::MonthPopup() {
    MonthMenu->popup(QCursor::pos());
}

void TFCal::YearsUp() {
    m_firstYear = std::max(0, m_firstYear - 9);
    RelabelYears();
    // The menu closes as the entry is chosen; open it again once it has.
    QTimer::singleShot(0, this, [this] { YearPopup(); });
}

void TFCal::YearsDown() {
    m_firstYear = std::min(kLastFirstYear, m_firstYear + 9);
    RelabelYears();
    QTimer::singleShot(0, this, [this] { YearPopup(); });
}

void TFCal::ChooseYear(int year) {
    if (year < 0 || year > 9999)
        return;
    m_date.year = static_cast<std::uint16_t>(year);
    Refresh();
}

void TFCal::ChooseMonth(int month) {
    if (month < 1 || month > 12)
        return;
    m_date.month = static_cast<std::uint16_t>(month);
    Refresh();
}

void TFCal::GridClick(int row, int column) {
    if (m_filling || row < 1)
        return;
    bool ok = false;
    const int day = CellText(row, column).trimmed().toInt(&ok);
    if (!ok || day < 1)
        return;
    m_date.day = static_cast<std::uint16_t>(day);
    Refresh();
}

void TFCal::GridDblClick(int row, int column) {
    if (m_filling || row < 1)
        return;
    bool ok = false;
    CellText(row, column).trimmed().toInt(&ok);
    if (!ok)
        return;
    GridClick(row, column);
    OKBtnClick();
}

void TFCal::OKBtnClick() {
    m_result = DateStrToCal(DateBox->text());
    if (!IsNullDate(m_result))
        m_result = WithDayOfWeek(m_result);
    accept();
}

bool TFCal::Execute(const CalDate& start, CalDate& picked) {
    SetDate(ValidStart(start) ? start : Today());
    if (exec() != QDialog::Accepted)
        return false;
    picked = m_result;
    return true;
}

TFCal& FCal() {
    if (!g_cal) {
        g_cal = new TFCal;
        static bool registered = false;
        if (!registered) {
            qAddPostRoutine(DeleteCal);
            registered = true;
        }
    }
    return *g_cal;
}

bool PickDateForBox(QLineEdit* box) {
    CalDate picked;
    if (!FCal().Execute(DateStrToCal(box->text()), picked))
        return false;
    // A typed text that is not a date goes back as typed, so the box shows
    // what the user wrote and reads as no date.
    box->setText(IsNullDate(picked) ? FCal().DateBox->text() : CalToDateStrDay(picked));
    return true;
}

bool PickDateForBoxPlain(QLineEdit* box) {
    CalDate picked;
    if (!FCal().Execute(DateStrToCal(box->text()), picked))
        return false;
    box->setText(CalToDateStrOrEmpty(picked));
    return true;
}

bool PickDate(CalDate& date) {
    CalDate picked;
    if (!FCal().Execute(date, picked))
        return false;
    date = picked;
    return true;
}
