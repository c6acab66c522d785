#include "forms/import/TFCsvMap.h"

#include "base/Prompter.h"
#include "data/Core.h"
#include "data/SettingsFile.h"
#include "forms/FormPositions.h"
#include "forms/Screens.h"

#include <QBrush>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int kPreviewRows = 12;

enum PreviewColumn { pLine, pDate, pAmount, pPayee, pMemo, pRef, pCount };

const QChar kSeparators[] = {QLatin1Char(','), QLatin1Char(';'), QLatin1Char('\t')};

// The column a combo box names: its item data (-1 for "(none)").
int ColumnOf(const QComboBox* box) {
    return box->currentIndex() < 0 ? -1 : box->currentData().toInt();
}

void SelectColumn(QComboBox* box, int col) {
    const int i = box->findData(col);
    box->setCurrentIndex(i >= 0 ? i : 0);
}

} // namespace

TFCsvMap::TFCsvMap(TFCore& core) : QDialog(nullptr), m_core(core) {
    setObjectName(QStringLiteral("FCsvMap"));
    setWindowTitle(QStringLiteral("CSV statement columns"));
    resize(760, 520);

    SeparatorCombo = new QComboBox(this);
    SeparatorCombo->addItems({QStringLiteral("Comma"), QStringLiteral("Semicolon"), QStringLiteral("Tab")});
    HeaderChk = new QCheckBox(QStringLiteral("&Header line (names the columns)"), this);
    DateCombo = new QComboBox(this);
    FormatCombo = new QComboBox(this);
    FormatCombo->addItems(CsvDateFormats());
    AmountCombo = new QComboBox(this);
    DecimalCombo = new QComboBox(this);
    DecimalCombo->addItems({QStringLiteral("Point (1,234.56)"), QStringLiteral("Comma (1.234,56)")});
    DebitCombo = new QComboBox(this);
    CreditCombo = new QComboBox(this);
    PayeeCombo = new QComboBox(this);
    MemoCombo = new QComboBox(this);
    RefCombo = new QComboBox(this);

    auto* grid = new QGridLayout;
    auto place = [&](int row, int col, const char* text, QWidget* w) {
        auto* label = new QLabel(QString::fromLatin1(text), this);
        label->setBuddy(w);
        grid->addWidget(label, row, col * 2);
        grid->addWidget(w, row, col * 2 + 1);
    };
    place(0, 0, "&Separator:", SeparatorCombo);
    grid->addWidget(HeaderChk, 0, 2, 1, 2);
    place(1, 0, "&Date:", DateCombo);
    place(1, 1, "Date &format:", FormatCombo);
    place(2, 0, "&Amount:", AmountCombo);
    place(2, 1, "Decimal mar&k:", DecimalCombo);
    place(3, 0, "Money &out:", DebitCombo);
    place(3, 1, "Money &in:", CreditCombo);
    place(4, 0, "&Payee:", PayeeCombo);
    place(4, 1, "&Memo:", MemoCombo);
    place(5, 0, "&Reference:", RefCombo);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    auto* previewLbl = new QLabel(QStringLiteral("Pre&view of the first lines:"), this);
    PreviewGrid = new QTableWidget(0, pCount, this);
    previewLbl->setBuddy(PreviewGrid);
    PreviewGrid->setHorizontalHeaderLabels({QStringLiteral("Line"), QStringLiteral("Date"), QStringLiteral("Amount"),
                                            QStringLiteral("Payee"), QStringLiteral("Memo"),
                                            QStringLiteral("Reference")});
    PreviewGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    PreviewGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    PreviewGrid->verticalHeader()->hide();
    PreviewGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    PreviewGrid->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    PreviewGrid->horizontalHeader()->setStretchLastSection(true);
    const int widths[pCount] = {48, 100, 100, 200, 150, 90};
    for (int c = 0; c < pCount; ++c)
        PreviewGrid->setColumnWidth(c, widths[c]);
    StatusLbl = new QLabel(this);
    StatusLbl->setWordWrap(true);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    OKBtn->setDefault(true);
    CancelBtn->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(StatusLbl, 1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);

    auto* main = new QVBoxLayout(this);
    main->addLayout(grid);
    main->addWidget(previewLbl);
    main->addWidget(PreviewGrid, 1);
    main->addLayout(buttons);

    QWidget* order[] = {SeparatorCombo, HeaderChk,  DateCombo, FormatCombo, AmountCombo, DecimalCombo, DebitCombo,
                        CreditCombo,    PayeeCombo, MemoCombo, RefCombo,    PreviewGrid, OKBtn,        CancelBtn};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    // The column names come from the header line, so both rename the columns.
    connect(SeparatorCombo, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_filling)
            Show(Mapping());
    });
    connect(HeaderChk, &QCheckBox::toggled, this, [this] {
        if (!m_filling)
            Show(Mapping());
    });
    for (QComboBox* box :
         {DateCombo, FormatCombo, AmountCombo, DecimalCombo, DebitCombo, CreditCombo, PayeeCombo, MemoCombo, RefCombo})
        connect(box, &QComboBox::currentIndexChanged, this, [this] { Refresh(); });
    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    RegisterForm(this);
}

CsvMapping TFCsvMap::Mapping() const {
    CsvMapping m;
    m.separator = kSeparators[std::max(0, SeparatorCombo->currentIndex())];
    m.headerRow = HeaderChk->isChecked();
    m.dateCol = ColumnOf(DateCombo);
    m.dateFormat = FormatCombo->currentText();
    m.amountCol = ColumnOf(AmountCombo);
    m.decimalComma = DecimalCombo->currentIndex() == 1;
    m.debitCol = ColumnOf(DebitCombo);
    m.creditCol = ColumnOf(CreditCombo);
    m.payeeCol = ColumnOf(PayeeCombo);
    m.memoCol = ColumnOf(MemoCombo);
    m.refCol = ColumnOf(RefCombo);
    return m;
}

void TFCsvMap::FillColumnCombos(const CsvMapping& m) {
    const QStringList names = CsvColumnNames(m_text, m);
    for (QComboBox* box : {DateCombo, AmountCombo, DebitCombo, CreditCombo, PayeeCombo, MemoCombo, RefCombo}) {
        box->clear();
        box->addItem(QStringLiteral("(none)"), -1);
        for (int i = 0; i < names.size(); ++i)
            box->addItem(QString::number(i + 1) + QStringLiteral(": ") + names[i], i);
    }
    SelectColumn(DateCombo, m.dateCol);
    SelectColumn(AmountCombo, m.amountCol);
    SelectColumn(DebitCombo, m.debitCol);
    SelectColumn(CreditCombo, m.creditCol);
    SelectColumn(PayeeCombo, m.payeeCol);
    SelectColumn(MemoCombo, m.memoCol);
    SelectColumn(RefCombo, m.refCol);
}

void TFCsvMap::Show(const CsvMapping& m) {
    m_filling = true;
    int sep = 0;
    for (int i = 0; i < int(std::size(kSeparators)); ++i)
        if (kSeparators[i] == m.separator)
            sep = i;
    SeparatorCombo->setCurrentIndex(sep);
    HeaderChk->setChecked(m.headerRow);
    const int format = FormatCombo->findText(m.dateFormat);
    FormatCombo->setCurrentIndex(format >= 0 ? format : 0);
    DecimalCombo->setCurrentIndex(m.decimalComma ? 1 : 0);
    FillColumnCombos(m);
    m_filling = false;
    Refresh();
}

void TFCsvMap::Refresh() {
    if (m_filling)
        return;
    const CsvMapping m = Mapping();
    QString error;
    const std::vector<CsvPreviewRow> rows = PreviewCsv(m_text, m, kPreviewRows, error);
    PreviewGrid->setRowCount(int(rows.size()));
    const QBrush bad(QColor(255, 190, 190));
    int badRows = 0;
    for (int r = 0; r < int(rows.size()); ++r) {
        const CsvPreviewRow& p = rows[size_t(r)];
        const QString texts[pCount] = {QString::number(p.lineNo), p.date, p.amount, p.payee, p.memo, p.ref};
        for (int c = 0; c < pCount; ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            if (c == pLine || c == pAmount)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if ((c == pDate && p.dateBad) || (c == pAmount && p.amountBad))
                item->setBackground(bad);
            PreviewGrid->setItem(r, c, item);
        }
        if (p.dateBad || p.amountBad)
            ++badRows;
    }
    if (!error.isEmpty())
        StatusLbl->setText(m_fileName + QStringLiteral(", ") + error);
    else if (badRows > 0)
        StatusLbl->setText(QString::number(badRows) + QStringLiteral(" of the lines shown do not read (in red)"));
    else
        StatusLbl->clear();
}

void TFCsvMap::OKBtnClick() {
    const CsvMapping m = Mapping();
    Prompter& p = m_core.prompter();
    if (!m.usable()) {
        p.ShowMessage(QStringLiteral("Choose the date column and either the amount column or both money out and "
                                     "money in"));
        return;
    }
    // The whole file, not only the lines shown, must read.
    Statement st;
    st.fileName = m_fileName;
    QString error;
    if (!ReadCsv(m_text, m, st, error)) {
        p.ShowMessage(error);
        return;
    }
    if (!SaveCsvMapping(p, SettingsPath(m_core.dataFolder()), m_accountId, m))
        return;
    accept();
}

bool TFCsvMap::Execute(int accountId, const QString& fileName, const QString& text, CsvMapping& mapping) {
    m_accountId = accountId;
    m_fileName = fileName;
    m_text = text;
    CsvMapping m = mapping;
    if (m.separator.isNull())
        m.separator = GuessCsvSeparator(text);
    Show(m);
    PreviewGrid->scrollToTop();
    DateCombo->setFocus();
    if (exec() != QDialog::Accepted)
        return false;
    mapping = Mapping();
    return true;
}

namespace {

TFCsvMap* g_csvMap = nullptr;
TFCore* g_csvMapCore = nullptr;

void DeleteCsvMap() {
    delete g_csvMap;
    g_csvMap = nullptr;
}

} // namespace

bool ChooseCsvMapping(TFCore& core, int accountId, const QString& fileName, const QString& text, CsvMapping& mapping) {
    // One window for the run, made again only for another core (the tests').
    if (g_csvMap && g_csvMapCore != &core)
        DeleteCsvMap();
    if (!g_csvMap) {
        static bool registered = false;
        if (!registered)
            qAddPostRoutine(DeleteCsvMap);
        registered = true;
        g_csvMap = new TFCsvMap(core);
        g_csvMapCore = &core;
    }
    return g_csvMap->Execute(accountId, fileName, text, mapping);
}
