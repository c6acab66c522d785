#include "forms/reminders/TFDiary.h"

#include "base/Prompter.h"
#include "data/Core.h"
#include "forms/TFCal.h"
#include "ledger/LedgerState.h"
#include "ledger/Reminders.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>

TFDiary::TFDiary(TFCore& core, QWidget* parent) : QMainWindow(parent), m_core(core) {
    setObjectName(QStringLiteral("FDiary"));
    setWindowTitle(QStringLiteral("Diary entry"));
    auto* central = new QWidget(this);
    auto* grid = new QGridLayout(central);
    auto* dateLbl = new QLabel(QStringLiteral("&Date "), central);
    DateBox = new QLineEdit(central);
    DateBox->setObjectName(QStringLiteral("DateBox"));
    DateBox->setMaxLength(10);
    DateBox->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00  Wed")) + 16);
    dateLbl->setBuddy(DateBox);
    CalBtn = new QPushButton(QStringLiteral("..."), central);
    CalBtn->setObjectName(QStringLiteral("CalBtn"));
    CalBtn->setToolTip(QStringLiteral("Calendar"));
    CalBtn->setAutoDefault(false);
    auto* descLbl = new QLabel(QStringLiteral("D&escription "), central);
    DescBox = new QLineEdit(central);
    DescBox->setObjectName(QStringLiteral("DescBox"));
    DescBox->setMaxLength(40);
    DescBox->setMinimumWidth(fontMetrics().averageCharWidth() * 42);
    descLbl->setBuddy(DescBox);
    AddBtn = new QPushButton(QStringLiteral("Add"), central);
    AddBtn->setObjectName(QStringLiteral("AddBtn"));
    AddBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), central);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setAutoDefault(false);

    grid->addWidget(dateLbl, 0, 0);
    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(DateBox);
    dateRow->addWidget(CalBtn);
    dateRow->addStretch(1);
    grid->addLayout(dateRow, 0, 1);
    grid->addWidget(descLbl, 1, 0);
    grid->addWidget(DescBox, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(AddBtn);
    buttons->addWidget(CancelBtn);
    grid->addLayout(buttons, 2, 0, 1, 2);
    setCentralWidget(central);
    setTabOrder(DateBox, CalBtn);
    setTabOrder(CalBtn, DescBox);
    setTabOrder(DescBox, AddBtn);
    setTabOrder(AddBtn, CancelBtn);

    menuBar()->addAction(QStringLiteral("Close"), this, &QWidget::close);
    connect(CalBtn, &QPushButton::clicked, this, [this] { PickDateForBox(DateBox); });
    connect(AddBtn, &QPushButton::clicked, this, &TFDiary::AddClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QWidget::close);
    // A main window has no default button of its own: Enter in a box adds.
    connect(DateBox, &QLineEdit::returnPressed, this, &TFDiary::AddClick);
    connect(DescBox, &QLineEdit::returnPressed, this, &TFDiary::AddClick);
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, this, &QWidget::close);
}

void TFDiary::Show() {
    Ledger(m_core).entryMode = 'N';
    for (QLineEdit* box : {DateBox, DescBox}) {
        QPalette pal = box->palette();
        pal.setColor(QPalette::Base, QColor(128, 255, 255));
        box->setPalette(pal);
    }
    show();
    raise();
    activateWindow();
    DateBox->setFocus();
}

bool TFDiary::AddClick() {
    const QString text = DateBox->text().trimmed();
    const CalDate date = DateStrToCal(text);
    if (!IsCalendarDate(date)) {
        m_core.prompter().InfoAtCursor(QStringLiteral("The Date box does not hold a date (yyyy-mm-dd): \"") + text +
                                       QStringLiteral("\" "));
        DateBox->setFocus();
        return false;
    }
    int id = 0;
    if (!AddDiaryEntry(m_core, date, DescBox->text(), id))
        return false;
    m_lastId = id;
    close();
    return true;
}

TFDiary& FDiary(TFCore& core) {
    static QPointer<TFDiary> window;
    if (window && &window->core() != &core)
        delete window.data(); // made for a core that has gone
    if (!window)
        window = new TFDiary(core);
    return *window;
}
