#include "forms/analysis/TFanlsys.h"

#include "data/Core.h"
#include "forms/FormPositions.h"
#include "forms/TFCal.h"
#include "forms/analysis/TFMonthly.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TFanlsys::TFanlsys(TFCore& core, QWidget* parent) : QDialog(parent), m_core(core) {
    setObjectName(QStringLiteral("Fanlsys"));
    setWindowTitle(QStringLiteral("Internal accounts - Movement analysis"));
    auto* grid = new QGridLayout;
    auto* earliestLbl = new QLabel(QStringLiteral("Earliest on database "), this);
    EarliestBox = new QLineEdit(this);
    EarliestBox->setObjectName(QStringLiteral("EarliestBox"));
    EarliestBox->setReadOnly(true);
    EarliestBox->setFocusPolicy(Qt::NoFocus);
    auto* endLbl = new QLabel(QStringLiteral("Analysis &end-date "), this);
    EndDateBox = new QLineEdit(this);
    EndDateBox->setObjectName(QStringLiteral("EndDateBox"));
    endLbl->setBuddy(EndDateBox);
    const int width = fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00  Wed")) + 16;
    EarliestBox->setFixedWidth(width);
    EndDateBox->setFixedWidth(width);
    CalBtn = new QPushButton(QStringLiteral("..."), this);
    CalBtn->setToolTip(QStringLiteral("Calendar"));
    CalBtn->setAutoDefault(false);
    grid->addWidget(earliestLbl, 0, 0);
    grid->addWidget(EarliestBox, 0, 1);
    grid->addWidget(endLbl, 1, 0);
    grid->addWidget(EndDateBox, 1, 1);
    grid->addWidget(CalBtn, 1, 2);
    auto* kindBox = new QGroupBox(this);
    auto* kinds = new QVBoxLayout(kindBox);
    PotsRdio = new QRadioButton(QStringLiteral("Analyse &Pots"), kindBox);
    PotsRdio->setToolTip(QStringLiteral("This option is provided for backwards compatibility only"));
    CtgysRdio = new QRadioButton(QStringLiteral("Analyse &Categories"), kindBox);
    CtgysRdio->setToolTip(QStringLiteral("This is the recommended option"));
    CtgysRdio->setChecked(true);
    kinds->addWidget(PotsRdio);
    kinds->addWidget(CtgysRdio);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(kindBox);
    layout->addLayout(buttons);

    connect(OKBtn, &QPushButton::clicked, this, &TFanlsys::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    // Picking a date runs OK at once.
    connect(CalBtn, &QPushButton::clicked, this, [this] {
        if (PickDateForBoxPlain(EndDateBox))
            OKBtnClick();
    });
}

void TFanlsys::Show() {
    EarliestBox->setText(CalToDateStrOrEmpty(m_core.settings().DBStartDate));
    EndDateBox->setText(CalToDateStr(m_core.settings().BalAt));
    show();
    raise();
    activateWindow();
    EndDateBox->setFocus();
}

void TFanlsys::OKBtnClick() {
    close();
    const CalDate end = DateStrToCal(EndDateBox->text().trimmed());
    if (!IsCalendarDate(end))
        return; // an unreadable date analyses nothing
    FMonthly(m_core).Open(WithDayOfWeek(end), PotsRdio->isChecked() ? 6 : 3);
}

TFanlsys& Fanlsys(TFCore& core) {
    static QPointer<TFanlsys> window;
    if (window && &window->core() != &core)
        delete window.data(); // made for a core that has gone
    if (!window) {
        window = new TFanlsys(core);
        RegisterForm(window);
    }
    return *window;
}
