// Bank statement files read into one list of statement lines.
//
// Three formats are read: OFX 1.x (SGML) and 2.x (XML), QFX included, through
// libofx; QIF bank, cash and card sections; and CSV with a column mapping.
// Every reader gives the same Statement: its lines in the file's order, each
// with its date, its amount in hundredths (money into the account positive,
// money out negative), payee, memo, reference and the bank's own id where the
// file has one, and the closing balance with its date where the file gives
// one.
//
// Amounts are read from their decimal text, never through floating point:
// "1.234,56" with a decimal comma and "1,234.56" both read 123456.
//
// A file that cannot be read as a whole (not of its format, cut short, a date
// or amount that does not read, bytes that are not UTF-8) gives false and an
// error text that names the file and the line: "<file>, line <n>: <what>".
// A reader keeps nothing of a file it refuses.
#pragma once

#include "base/Amount.h"
#include "base/Dates.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class Prompter;

struct StatementLine {
    CalDate date;
    Amount amount = 0; // > 0 into the account, < 0 out of it
    QString payee;
    QString memo;
    QString ref;    // cheque or reference number
    QString bankId; // the bank's transaction id (OFX FITID); empty when none
    int lineNo = 0; // the file line where the line's record starts

    // The payee, or the memo when there is no payee.
    QString description() const;
};

struct Statement {
    QString fileName; // as the user gave it, for messages
    std::vector<StatementLine> lines;
    bool hasClosing = false;
    Amount closingBalance = 0;
    CalDate closingDate;
};

enum class StatementFormat { Unknown, Ofx, Qif, Csv };

// "ofx" (also "qfx"), "qif", "csv"; Unknown for anything else.
StatementFormat FormatFromName(const QString& name);
// By the file's extension, else by its first bytes ("<OFX", "OFXHEADER",
// "<?xml" OFX; "!Type" QIF); Unknown when neither tells.
StatementFormat GuessStatementFormat(const QString& path, const QByteArray& head);

// Reads a decimal amount text into hundredths.  Accepts a leading or trailing
// sign, parentheses for a negative amount, a currency symbol or blanks around
// it, group separators and, with decimalComma, "," before the decimals (else
// "."), with at most two decimals (more only when they are zeros).  False on
// anything else or a value outside the Amount range.
bool ParseStatementAmount(const QString& text, bool decimalComma, Amount& out);

// ---- QIF -------------------------------------------------------------------

// How the day and month of "a/b/y" dates are ordered.
enum class DayMonthOrder { Unknown, DayFirst, MonthFirst };

// Reads QIF text.  The order of day and month is decided from the file's own
// dates (a first number above 12 means day first, a second one month first);
// when every date could be read either way, order decides, and when order is
// Unknown too the reader asks through the prompter ("Dates in <file> can be
// read either way - which is the order?", "Day/month" or "Month/day"; Cancel
// stops with the error "import cancelled").
bool ReadQif(const QString& text, Statement& out, Prompter& prompter, QString& error,
             DayMonthOrder order = DayMonthOrder::Unknown);

// ---- CSV -------------------------------------------------------------------

// The date formats a CSV column may hold, in the order they are offered.
const QStringList& CsvDateFormats();

// Which columns of a CSV file hold what (0-based; -1 none).  Either amount or
// both debit and credit are given.
struct CsvMapping {
    QChar separator;       // ',', ';' or '\t'; a null QChar: decided from the first row
    bool headerRow = true; // the first row names the columns
    int dateCol = -1;
    int amountCol = -1;
    int debitCol = -1;  // money out, whatever its sign
    int creditCol = -1; // money in
    int payeeCol = -1;
    int memoCol = -1;
    int refCol = -1;
    QString dateFormat; // one of CsvDateFormats()
    bool decimalComma = false;

    bool usable() const;
};

// Splits CSV text into rows of fields: quotes around a field allow the
// separator, line breaks and doubled quotes inside it; CRLF and LF both end a
// row; empty rows are dropped.  rowLines gets each row's first file line.  A
// quote left open gives false and error "line <n>: quote not closed".
bool SplitCsv(const QString& text, QChar separator, std::vector<QStringList>& rows, std::vector<int>& rowLines,
              QString& error);
// The separator of a file: the one of ',', ';' and TAB found most often in
// its first line outside quotes (',' when none).
QChar GuessCsvSeparator(const QString& text);
// A mapping proposed from a header row ("Date", "Amount", "Debit", "Credit",
// "Payee", "Description", "Memo", "Reference", ...) and the data rows: the
// date format that reads every date cell (the first such in CsvDateFormats
// order), the decimal comma when the amounts use it.  usable() tells whether
// it found enough.
CsvMapping GuessCsvMapping(const QString& text);

// Reads CSV text with mapping.
bool ReadCsv(const QString& text, const CsvMapping& mapping, Statement& out, QString& error);

// The names the columns of text go by under mapping (its separator and
// header row): the header row's cells, or "Column 1", "Column 2", ... as many
// as the widest of the first rows has.
QStringList CsvColumnNames(const QString& text, const CsvMapping& mapping);

// One data row of a CSV file read with a mapping, as the mapping dialog shows
// it: the date as yyyy-mm-dd and the amount signed, as ReadCsv would take
// them; a cell that does not read is given as it stands and marked bad (every
// row's date or amount is bad while no column is chosen for it).
struct CsvPreviewRow {
    int lineNo = 0;
    QString date;
    QString amount;
    QString payee;
    QString memo;
    QString ref;
    bool dateBad = false;
    bool amountBad = false;
};
// The first maxRows data rows of text under mapping; none, and error set,
// when the text does not split (a quote left open).
std::vector<CsvPreviewRow> PreviewCsv(const QString& text, const CsvMapping& mapping, int maxRows, QString& error);

// The mapping remembered for external account accountId in section
// "import-<accountId>" of the settings file at iniPath; false when none is
// stored.  Writing changes only that section.
bool LoadCsvMapping(const QString& iniPath, int accountId, CsvMapping& mapping);
bool SaveCsvMapping(Prompter& prompter, const QString& iniPath, int accountId, const CsvMapping& mapping);

// ---- OFX -------------------------------------------------------------------

// Reads an OFX or QFX file (SGML or XML) through libofx.  Transactions of the
// first account in the file, LEDGERBAL as the closing balance.
bool ReadOfxFile(const QString& path, Statement& out, QString& error);

// ---- any file -------------------------------------------------------------

// Lets the user set a CSV file's mapping: given the file's text and the
// mapping proposed, false to abandon the import.
using CsvMappingChooser = std::function<bool(const QString& text, CsvMapping& mapping)>;

// Reads path in format (Unknown: guessed).  CSV takes the mapping of
// accountId from the settings file at iniPath, else one guessed from the
// file; with chooseMapping, that mapping is only proposed to it (a No from
// it gives false with nothing shown).  An error is shown through the prompter
// and gives false.
bool ReadStatementFile(Prompter& prompter, const QString& path, StatementFormat format, const QString& iniPath,
                       int accountId, Statement& out, CsvMapping* usedMapping = nullptr,
                       const CsvMappingChooser& chooseMapping = {});
