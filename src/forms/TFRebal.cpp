// The period dialog; see TFRebal.h.
#include "forms/TFRebal.h"
#include "forms/FormPositions.h"
#include "forms/ListHelpers.h"

#include "base/Prompter.h"
#include "data/Core.h"
#include "ledger/Balances.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QPointer<TFRebal> g_rebal;
void DeleteRebal() {
    delete g_rebal.data();
}

QLabel* MakeLabel(const QString& name, const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setTextFormat(Qt::PlainText);
    return l;
}

} // namespace

TFRebal::TFRebal(TFCore& core, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_core(core), m_prompter(prompter) {
    setObjectName(QStringLiteral("FRebal"));
    setWindowTitle(QStringLiteral("Period "));

    PeriodTypeGrp = new QGroupBox(QStringLiteral("Period type"), this);
    PeriodTypeGrp->setObjectName(QStringLiteral("PeriodTypeGrp"));
    CurYrRdio = new QRadioButton(QStringLiteral("Current year so far"), PeriodTypeGrp);
    CurYrRdio->setObjectName(QStringLiteral("CurYrRdio"));
    RollYrRdio = new QRadioButton(QStringLiteral("Rolling year to today"), PeriodTypeGrp);
    RollYrRdio->setObjectName(QStringLiteral("RollYrRdio"));
    CustomRdio = new QRadioButton(QStringLiteral("Custom"), PeriodTypeGrp);
    CustomRdio->setObjectName(QStringLiteral("CustomRdio"));

    DatesPanel = new QFrame(PeriodTypeGrp);
    DatesPanel->setObjectName(QStringLiteral("DatesPanel"));
    DatesPanel->setFrameShape(QFrame::StyledPanel);
    DatesPanel->setAutoFillBackground(true);
    QPalette pal = DatesPanel->palette();
    pal.setColor(QPalette::Window, Qt::white);
    DatesPanel->setPalette(pal);
    FromLbl = MakeLabel(QStringLiteral("FromLbl"), QStringLiteral("From"), DatesPanel);
    ToLbl = MakeLabel(QStringLiteral("ToLbl"), QStringLiteral("To"), DatesPanel);
    FromDateLbl = MakeLabel(QStringLiteral("FromDateLbl"), QString(), DatesPanel);
    ToDateLbl = MakeLabel(QStringLiteral("ToDateLbl"), QString(), DatesPanel);
    auto* dates = new QGridLayout(DatesPanel);
    dates->addWidget(FromLbl, 0, 0);
    dates->addWidget(FromDateLbl, 0, 1);
    dates->addWidget(ToLbl, 1, 0);
    dates->addWidget(ToDateLbl, 1, 1);

    FinYrLbl = MakeLabel(QStringLiteral("FinYrLbl"), QStringLiteral("Financial year "), PeriodTypeGrp);
    FinYrValLbl = MakeLabel(QStringLiteral("FinYrValLbl"), QString(), PeriodTypeGrp);
    YrStartLbl = MakeLabel(QStringLiteral("YrStartLbl"), QStringLiteral("Financial year start (dd/mm)"), PeriodTypeGrp);
    YrStartBtn = MakeButton(QStringLiteral("YrStartBtn"), QString(), PeriodTypeGrp);
    RefreshBtn = MakeButton(QStringLiteral("RefreshBtn"), QStringLiteral("Refresh now"), PeriodTypeGrp);
    AutoRefreshChk = new QCheckBox(QStringLiteral("Auto refresh at startup/rebal"), PeriodTypeGrp);
    AutoRefreshChk->setObjectName(QStringLiteral("AutoRefreshChk"));

    auto* typeLayout = new QGridLayout(PeriodTypeGrp);
    typeLayout->addWidget(CurYrRdio, 0, 0);
    typeLayout->addWidget(RollYrRdio, 1, 0);
    typeLayout->addWidget(CustomRdio, 2, 0);
    typeLayout->addWidget(DatesPanel, 0, 1, 3, 2);
    typeLayout->addWidget(FinYrLbl, 3, 0);
    typeLayout->addWidget(FinYrValLbl, 3, 1);
    typeLayout->addWidget(YrStartLbl, 4, 0);
    typeLayout->addWidget(YrStartBtn, 4, 1);
    typeLayout->addWidget(RefreshBtn, 5, 0);
    typeLayout->addWidget(AutoRefreshChk, 5, 1, 1, 2);

    CustomiseGrp = new QGroupBox(QStringLiteral("Customise period"), this);
    CustomiseGrp->setObjectName(QStringLiteral("CustomiseGrp"));
    WholeYrBtn = MakeButton(QStringLiteral("WholeYrBtn"), QStringLiteral("Whole <year>"), CustomiseGrp,
                            QStringLiteral("Specify a financial year"));
    YrFromBtn = MakeButton(QStringLiteral("YrFromBtn"), QStringLiteral("Year from <date>"), CustomiseGrp,
                           QStringLiteral("Rolling 12 months from specified date"));
    YrToBtn = MakeButton(QStringLiteral("YrToBtn"), QStringLiteral("Year to <date>"), CustomiseGrp,
                         QStringLiteral("Rolling 12 months to specified date"));
    AllBtn = MakeButton(QStringLiteral("AllBtn"), QStringLiteral("All"), CustomiseGrp,
                        QStringLiteral("From database start to today"));
    EnterFromBtn = MakeButton(QStringLiteral("EnterFromBtn"), QStringLiteral("Enter <from date>"), CustomiseGrp);
    EnterToBtn = MakeButton(QStringLiteral("EnterToBtn"), QStringLiteral("Enter <to date>"), CustomiseGrp);
    PrevYrBtn = MakeButton(QStringLiteral("PrevYrBtn"), QStringLiteral("Previous year"), CustomiseGrp);
    NextYrBtn = MakeButton(QStringLiteral("NextYrBtn"), QStringLiteral("Following year"), CustomiseGrp);
    auto* custom = new QGridLayout(CustomiseGrp);
    custom->addWidget(WholeYrBtn, 0, 0);
    custom->addWidget(YrFromBtn, 0, 1);
    custom->addWidget(YrToBtn, 1, 0);
    custom->addWidget(AllBtn, 1, 1);
    custom->addWidget(EnterFromBtn, 2, 0);
    custom->addWidget(EnterToBtn, 2, 1);
    custom->addWidget(PrevYrBtn, 3, 0);
    custom->addWidget(NextYrBtn, 3, 1);

    OKBtn = MakeButton(QStringLiteral("OKBtn"), QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = MakeButton(QStringLiteral("CancelBtn"), QStringLiteral("Cancel"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);

    auto* outer = new QVBoxLayout(this);
    outer->addWidget(PeriodTypeGrp);
    outer->addWidget(CustomiseGrp);
    outer->addLayout(buttons);

    // A button applies its type when it becomes selected, by the user or by
    // FormShow; selecting the one already selected changes nothing.
    connect(CurYrRdio, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            ApplyPeriodType(1);
    });
    connect(RollYrRdio, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            ApplyPeriodType(2);
    });
    connect(CustomRdio, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            ApplyPeriodType(0);
    });
    connect(WholeYrBtn, &QPushButton::clicked, this, [this] { WholeYrBtnClick(); });
    connect(YrFromBtn, &QPushButton::clicked, this, [this] { YrFromBtnClick(); });
    connect(YrToBtn, &QPushButton::clicked, this, [this] { YrToBtnClick(); });
    connect(AllBtn, &QPushButton::clicked, this, [this] { AllBtnClick(); });
    connect(EnterFromBtn, &QPushButton::clicked, this, [this] { EnterFromBtnClick(); });
    connect(EnterToBtn, &QPushButton::clicked, this, [this] { EnterToBtnClick(); });
    connect(PrevYrBtn, &QPushButton::clicked, this, [this] { PrevYrBtnClick(); });
    connect(NextYrBtn, &QPushButton::clicked, this, [this] { NextYrBtnClick(); });
    connect(RefreshBtn, &QPushButton::clicked, this, [this] { RefreshBtnClick(); });
    connect(YrStartBtn, &QPushButton::clicked, this, [this] { YrStartBtnClick(); });
    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { reject(); });

    ShowDates();
    RegisterForm(this); // its position is saved and restored
}

int TFRebal::CheckedPeriodType() const {
    if (CurYrRdio->isChecked())
        return 1;
    if (RollYrRdio->isChecked())
        return 2;
    return 0;
}

void TFRebal::FormShow() {
    const Settings& s = m_core.settings();
    m_start = s.BalFrom;
    m_end = s.BalAt;
    AutoRefreshChk->setChecked(s.PeriodAutoRefresh);
    switch (s.PeriodType) {
    case 1:
        CurYrRdio->setChecked(true);
        break;
    case 2:
        RollYrRdio->setChecked(true);
        break;
    default:
        CustomRdio->setChecked(true);
        break;
    }
    ShowDates();
}

bool TFRebal::Execute() {
    FormShow();
    return exec() == QDialog::Accepted;
}

void TFRebal::ShowDates() {
    const Settings& s = m_core.settings();
    FromDateLbl->setText(CalToDateStrDay(WithDayOfWeek(m_start)));
    ToDateLbl->setText(CalToDateStrDay(WithDayOfWeek(m_end)));
    FinYrValLbl->setText(m_label);
    YrStartBtn->setText(YearStartCaption(s.FinancialYearDay1, s.FinancialYearMonth1));
}

void TFRebal::SetPeriod(const CalDate& from, const CalDate& to, const QString& label) {
    m_start = from;
    m_end = to;
    m_label = label;
}

void TFRebal::ApplyPeriodType(int type) {
    const bool custom = type == 0;
    CustomiseGrp->setEnabled(custom);
    for (QPushButton* b : {WholeYrBtn, YrFromBtn, YrToBtn, AllBtn, EnterFromBtn, EnterToBtn, PrevYrBtn, NextYrBtn})
        b->setEnabled(custom);
    RefreshBtn->setEnabled(!custom);
    AutoRefreshChk->setEnabled(!custom);
    const Settings& s = m_core.settings();
    if (type == 1) {
        const BalPeriod p = CurrentYearSoFar(s.Today, s.FinancialYearDay1, s.FinancialYearMonth1);
        SetPeriod(p.from, p.to, p.label);
    } else if (type == 2) {
        const BalPeriod p = RollingYearToToday(s.Today);
        SetPeriod(p.from, p.to, p.label);
    }
    ShowDates();
}

void TFRebal::WholeYrBtnClick() {
    QString text = QStringLiteral("yyyy");
    int year = 0;
    if (m_prompter.InputString(QStringLiteral("Enter financial year"), text) && ParseFinancialYear(text, year)) {
        const Settings& s = m_core.settings();
        const BalPeriod p = WholeFinancialYear(year, s.FinancialYearDay1, s.FinancialYearMonth1);
        SetPeriod(p.from, p.to, p.label);
    }
    ShowDates();
}

void TFRebal::YrFromBtnClick() {
    CalDate d = m_start;
    if (m_prompter.PickDate(d) && !IsNullDate(d)) {
        m_start = d;
        m_end = YearOnDayBack(d);
    }
    ShowDates();
}

void TFRebal::YrToBtnClick() {
    CalDate d = m_end;
    if (m_prompter.PickDate(d) && !IsNullDate(d)) {
        m_end = d;
        m_start = YearBackDayOn(d);
    }
    ShowDates();
}

void TFRebal::AllBtnClick() {
    const Settings& s = m_core.settings();
    m_start = CalDate();
    m_end = IsNullDate(s.DBEndDate) ? s.Today : s.DBEndDate;
    ShowDates();
}

void TFRebal::EnterFromBtnClick() {
    CalDate d = m_start;
    if (m_prompter.PickDate(d)) {
        m_start = d;
        m_label.clear();
    }
    ShowDates();
}

void TFRebal::EnterToBtnClick() {
    CalDate d = m_end;
    if (m_prompter.PickDate(d)) {
        m_end = d;
        m_label.clear();
    }
    ShowDates();
}

void TFRebal::PrevYrBtnClick() {
    // A null date (the start of "All") stays null rather than wrapping to
    // year 9999.
    if (!IsNullDate(m_start))
        PrevYear(m_start);
    if (!IsNullDate(m_end))
        PrevYear(m_end);
    ShowDates();
}

void TFRebal::NextYrBtnClick() {
    if (!IsNullDate(m_start))
        NextYear(m_start);
    if (!IsNullDate(m_end))
        NextYear(m_end);
    ShowDates();
}

void TFRebal::RefreshBtnClick() {
    BalPeriod p;
    if (RefreshedPeriod(m_core.settings(), m_core.settings().PeriodType, p))
        SetPeriod(p.from, p.to, p.label);
    ShowDates();
}

void TFRebal::YrStartBtnClick() {
    QString text = QStringLiteral("dd/mm");
    int day = 0, month = 0;
    if (m_prompter.InputString(QStringLiteral("Enter first day of financial year"), text) &&
        ParseYearStart(text, day, month)) {
        Settings& s = m_core.settings();
        s.FinancialYearDay1 = day;
        s.FinancialYearMonth1 = month;
    }
    ShowDates();
}

void TFRebal::OKBtnClick() {
    Settings& s = m_core.settings();
    const bool future = DateAfter(m_end, s.Today);
    if (!future || m_prompter.AskYesNo(QStringLiteral(
                       "Balance date is in the future - are you sure? (rptr insts will be gend to this date) "))) {
        s.BalAt = m_end;
        s.BalFrom = m_start;
        s.PeriodType = CheckedPeriodType();
        s.PeriodAutoRefresh = AutoRefreshChk->isChecked();
        s.RecomputeDerived();
        m_core.SetRebalNeeded(true);
    }
    accept();
}

bool ShowPeriodDialog(TFCore& core) {
    if (!g_rebal) {
        g_rebal = new TFRebal(core, core.prompter());
        static bool registered = false;
        if (!registered) {
            qAddPostRoutine(DeleteRebal);
            registered = true;
        }
    }
    return g_rebal->Execute();
}
