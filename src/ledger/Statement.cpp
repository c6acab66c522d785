#include "ledger/Statement.h"

#include "base/Prompter.h"
#include "data/Profile.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

#include <libofx/libofx.h>

#include <cmath>
#include <ctime>

namespace {

QString At(const QString& file, int line, const QString& what) {
    return file + QStringLiteral(", line ") + QString::number(line) + QStringLiteral(": ") + what;
}

bool ValidDate(int y, int m, int d) {
    return y >= 1900 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= MonthLength(y, m);
}

// Decodes bytes as UTF-8 (a byte-order mark dropped).  On bytes that do not
// decode, error names the first line holding them.
bool DecodeUtf8(const QByteArray& bytes, const QString& file, QString& text, QString& error) {
    QStringDecoder dec(QStringDecoder::Utf8);
    text = dec.decode(bytes);
    if (!dec.hasError()) {
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        return true;
    }
    const QList<QByteArray> lines = bytes.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        QStringDecoder one(QStringDecoder::Utf8);
        const QString decoded = one.decode(lines[i]);
        if (one.hasError()) {
            error = At(file, i + 1, QStringLiteral("text is not UTF-8"));
            return false;
        }
    }
    error = At(file, int(lines.size()), QStringLiteral("text is not UTF-8"));
    return false;
}

} // namespace

QString StatementLine::description() const {
    return payee.trimmed().isEmpty() ? memo.trimmed() : payee.trimmed();
}

StatementFormat FormatFromName(const QString& name) {
    const QString n = name.trimmed().toLower();
    if (n == QStringLiteral("ofx") || n == QStringLiteral("qfx"))
        return StatementFormat::Ofx;
    if (n == QStringLiteral("qif"))
        return StatementFormat::Qif;
    if (n == QStringLiteral("csv"))
        return StatementFormat::Csv;
    return StatementFormat::Unknown;
}

StatementFormat GuessStatementFormat(const QString& path, const QByteArray& head) {
    const StatementFormat byName = FormatFromName(QFileInfo(path).suffix());
    if (byName != StatementFormat::Unknown)
        return byName;
    const QByteArray h = head.left(512).trimmed().toUpper();
    if (h.contains("OFXHEADER") || h.contains("<OFX"))
        return StatementFormat::Ofx;
    if (h.startsWith("!TYPE") || h.startsWith("\xEF\xBB\xBF!TYPE") || h.startsWith("!OPTION") ||
        h.startsWith("!ACCOUNT"))
        return StatementFormat::Qif;
    return StatementFormat::Unknown;
}

bool ParseStatementAmount(const QString& text, bool decimalComma, Amount& out) {
    QString t;
    for (const QChar c : text)
        if (!c.isSpace() && c.category() != QChar::Symbol_Currency && c != QChar(0x00A0) && c != QChar(0x202F))
            t.append(c);
    bool negative = false;
    if (t.startsWith(QLatin1Char('(')) && t.endsWith(QLatin1Char(')'))) {
        negative = true;
        t = t.mid(1, t.size() - 2);
    }
    if (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) {
        negative = negative != (t[0] == QLatin1Char('-'));
        t.remove(0, 1);
    } else if (t.endsWith(QLatin1Char('-'))) {
        negative = !negative;
        t.chop(1);
    }
    const QChar dec = decimalComma ? QLatin1Char(',') : QLatin1Char('.');
    const QChar group = decimalComma ? QLatin1Char('.') : QLatin1Char(',');
    const qsizetype point = t.indexOf(dec);
    if (point >= 0 && t.indexOf(dec, point + 1) >= 0)
        return false;
    const QString whole = point >= 0 ? t.left(point) : t;
    const QString frac = point >= 0 ? t.mid(point + 1) : QString();
    std::int64_t value = 0;
    int digits = 0;
    // A group separator stands before three digits: "23,45" read with a
    // decimal point is not 2345 (that would be a comma-decimal amount taken a
    // hundred times over) but does not read at all.
    int sinceGroup = -1; // digits since the last separator; -1 before any
    for (const QChar c : whole) {
        if (c == group || c == QLatin1Char('\'')) {
            if (digits == 0 || (sinceGroup >= 0 && sinceGroup < 2))
                return false;
            sinceGroup = 0;
            continue;
        }
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        if (++digits > 12)
            return false;
        if (sinceGroup >= 0)
            ++sinceGroup;
        value = value * 10 + (c.unicode() - '0');
    }
    if (sinceGroup >= 0 && sinceGroup != 3)
        return false;
    int cents = 0;
    for (int i = 0; i < frac.size(); ++i) {
        const QChar c = frac[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        if (i == 0)
            cents += (c.unicode() - '0') * 10;
        else if (i == 1)
            cents += c.unicode() - '0';
        else if (c != QLatin1Char('0'))
            return false; // a third decimal that is not zero would be rounded away
    }
    if (digits == 0 && frac.isEmpty())
        return false;
    value = value * 100 + cents;
    if (negative)
        value = -value;
    if (!FitsAmount(value) || value == kMinAmount)
        return false;
    out = Amount(value);
    return true;
}

// ---- QIF -------------------------------------------------------------------

namespace {

struct QifDate {
    int a = 0, b = 0, y = 0; // a/b/y, or y-a-b when iso
    bool iso = false;
    int line = 0;
    QString text;
};

bool SplitQifDate(const QString& text, QifDate& d) {
    static const QRegularExpression re(
        QStringLiteral("^\\s*(\\d{1,4})\\s*[/.\\-]\\s*(\\d{1,2})\\s*([/.\\-']|'\\s)\\s*(\\d{2,4})\\s*$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return false;
    d.text = text.trimmed();
    if (m.captured(1).size() == 4) {
        // yyyy-mm-dd: the order is fixed.
        if (m.captured(4).size() > 2)
            return false;
        d.iso = true;
        d.y = m.captured(1).toInt();
        d.a = m.captured(2).toInt();
        d.b = m.captured(4).toInt();
        return true;
    }
    if (m.captured(1).size() > 2)
        return false;
    d.a = m.captured(1).toInt();
    d.b = m.captured(2).toInt();
    const QString year = m.captured(4);
    d.y = year.toInt();
    if (year.size() == 2)
        d.y += m.captured(3).startsWith(QLatin1Char('\'')) || d.y < 50 ? 2000 : 1900;
    else if (year.size() != 4)
        return false;
    return true;
}

bool QifDayFirstValid(const QifDate& d) {
    return d.iso ? ValidDate(d.y, d.a, d.b) : ValidDate(d.y, d.b, d.a);
}
bool QifMonthFirstValid(const QifDate& d) {
    return d.iso ? ValidDate(d.y, d.a, d.b) : ValidDate(d.y, d.a, d.b);
}

} // namespace

bool ReadQif(const QString& text, Statement& out, Prompter& prompter, QString& error, DayMonthOrder order) {
    const QString& file = out.fileName;
    const QStringList lines = text.split(QLatin1Char('\n'));
    std::vector<StatementLine> result;
    std::vector<QifDate> dates;
    bool sawType = false;
    bool inAccount = false;
    bool open = false; // a record has fields
    StatementLine cur;
    QifDate curDate;
    bool hasDate = false, hasT = false, hasU = false;
    Amount uAmount = 0;
    int recordLine = 0;

    auto closeRecord = [&](int lineNo) -> bool {
        if (!hasDate) {
            error = At(file, recordLine, QStringLiteral("record has no date (D line)"));
            return false;
        }
        if (!hasT && !hasU) {
            error = At(file, recordLine, QStringLiteral("record has no amount (T line)"));
            return false;
        }
        if (!hasT)
            cur.amount = uAmount;
        cur.lineNo = recordLine;
        result.push_back(cur);
        dates.push_back(curDate);
        (void)lineNo;
        cur = StatementLine();
        hasDate = hasT = hasU = false;
        open = false;
        return true;
    };

    for (int i = 0; i < lines.size(); ++i) {
        const int lineNo = i + 1;
        QString l = lines[i];
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);
        if (l.trimmed().isEmpty())
            continue;
        if (l.startsWith(QLatin1Char('!'))) {
            const QString h = l.trimmed().toLower();
            if (h.startsWith(QStringLiteral("!type:"))) {
                const QString type = h.mid(6).trimmed();
                if (type != QStringLiteral("bank") && type != QStringLiteral("ccard") &&
                    type != QStringLiteral("cash") && type != QStringLiteral("oth a") &&
                    type != QStringLiteral("oth l")) {
                    error = At(file, lineNo,
                               QStringLiteral("not a bank or card statement (") + l.trimmed() + QStringLiteral(")"));
                    return false;
                }
                sawType = true;
                inAccount = false;
            } else if (h == QStringLiteral("!account")) {
                inAccount = true;
            } else if (!h.startsWith(QStringLiteral("!option")) && !h.startsWith(QStringLiteral("!clear"))) {
                error = At(file, lineNo, QStringLiteral("unknown header ") + l.trimmed());
                return false;
            }
            continue;
        }
        if (inAccount) {
            if (l.startsWith(QLatin1Char('^')))
                inAccount = false;
            continue;
        }
        if (!sawType) {
            error = At(file, lineNo, QStringLiteral("not a QIF statement (no !Type line before it)"));
            return false;
        }
        const QChar code = l[0];
        const QString value = l.mid(1);
        if (code == QLatin1Char('^')) {
            if (open && !closeRecord(lineNo))
                return false;
            open = false;
            continue;
        }
        if (!open) {
            open = true;
            recordLine = lineNo;
        }
        switch (code.toUpper().unicode()) {
        case 'D': {
            QifDate d;
            if (!SplitQifDate(value, d) || (!QifDayFirstValid(d) && !QifMonthFirstValid(d))) {
                error =
                    At(file, lineNo, QStringLiteral("date \"") + value.trimmed() + QStringLiteral("\" does not read"));
                return false;
            }
            d.line = lineNo;
            curDate = d;
            hasDate = true;
            break;
        }
        case 'T':
        case 'U': {
            Amount a = 0;
            if (!ParseStatementAmount(value, false, a)) {
                error = At(file, lineNo,
                           QStringLiteral("amount \"") + value.trimmed() + QStringLiteral("\" does not read"));
                return false;
            }
            if (code.toUpper() == QLatin1Char('T')) {
                cur.amount = a;
                hasT = true;
            } else {
                uAmount = a;
                hasU = true;
            }
            break;
        }
        case 'P':
            cur.payee = value.trimmed();
            break;
        case 'M':
            cur.memo = value.trimmed();
            break;
        case 'N':
            cur.ref = value.trimmed();
            break;
        default:
            // Category, cleared flag, address and split lines are not kept.
            if (!code.isLetterOrNumber() && code != QLatin1Char('$') && code != QLatin1Char('%')) {
                error = At(file, lineNo, QStringLiteral("line does not read"));
                return false;
            }
            break;
        }
    }
    if (open) {
        error = At(file, int(lines.size()), QStringLiteral("file cut short (last record has no ^ line)"));
        return false;
    }
    if (!sawType) {
        error = At(file, 1, QStringLiteral("not a QIF statement (no !Type line)"));
        return false;
    }

    // Day and month order, from the dates themselves.
    bool dayFirstOk = true, monthFirstOk = true;
    int firstDayOnly = 0, firstMonthOnly = 0;
    for (const QifDate& d : dates) {
        if (d.iso)
            continue;
        if (!QifDayFirstValid(d)) {
            dayFirstOk = false;
            if (!firstMonthOnly)
                firstMonthOnly = d.line;
        }
        if (!QifMonthFirstValid(d)) {
            monthFirstOk = false;
            if (!firstDayOnly)
                firstDayOnly = d.line;
        }
    }
    bool dayFirst = true;
    if (dayFirstOk && !monthFirstOk) {
        dayFirst = true;
    } else if (monthFirstOk && !dayFirstOk) {
        dayFirst = false;
    } else if (!dayFirstOk && !monthFirstOk) {
        error = At(file, std::max(firstDayOnly, firstMonthOnly),
                   QStringLiteral("dates mix day/month and month/day order (see also line ") +
                       QString::number(std::min(firstDayOnly, firstMonthOnly)) + QStringLiteral(")"));
        return false;
    } else if (order != DayMonthOrder::Unknown) {
        dayFirst = order == DayMonthOrder::DayFirst;
    } else {
        bool anyAmbiguous = false;
        for (const QifDate& d : dates)
            anyAmbiguous = anyAmbiguous || (!d.iso && d.a != d.b);
        if (anyAmbiguous) {
            const int c = prompter.Choose(QStringLiteral("Dates in ") + file +
                                              QStringLiteral(" can be read either way - which is the order?"),
                                          QStringLiteral("Day/month"), QStringLiteral("Month/day"));
            if (c == 0) {
                error = file + QStringLiteral(": import cancelled");
                return false;
            }
            dayFirst = c == 1;
        }
    }
    for (size_t i = 0; i < result.size(); ++i) {
        const QifDate& d = dates[i];
        if (d.iso)
            result[i].date = MakeDate(d.y, d.a, d.b);
        else
            result[i].date = dayFirst ? MakeDate(d.y, d.b, d.a) : MakeDate(d.y, d.a, d.b);
    }
    out.lines = std::move(result);
    out.hasClosing = false;
    return true;
}

// ---- CSV -------------------------------------------------------------------

const QStringList& CsvDateFormats() {
    static const QStringList formats = {
        QStringLiteral("yyyy-MM-dd"), QStringLiteral("dd/MM/yyyy"), QStringLiteral("MM/dd/yyyy"),
        QStringLiteral("dd.MM.yyyy"), QStringLiteral("dd-MM-yyyy"), QStringLiteral("MM-dd-yyyy"),
        QStringLiteral("yyyy/MM/dd"), QStringLiteral("dd/MM/yy"),   QStringLiteral("MM/dd/yy"),
        QStringLiteral("dd.MM.yy"),   QStringLiteral("yyyyMMdd"),
    };
    return formats;
}

namespace {

// Reads text by one of CsvDateFormats (a time of day after a blank is ignored).
bool ReadCsvDate(const QString& text, const QString& format, CalDate& date) {
    QString t = text.trimmed();
    const qsizetype blank = t.indexOf(QLatin1Char(' '));
    if (blank > 0)
        t = t.left(blank);
    int y = 0, m = 0, d = 0;
    if (format == QStringLiteral("yyyyMMdd")) {
        if (t.size() != 8)
            return false;
        for (const QChar c : t)
            if (!c.isDigit())
                return false;
        y = t.left(4).toInt();
        m = t.mid(4, 2).toInt();
        d = t.mid(6, 2).toInt();
    } else {
        QChar sep;
        for (const QChar c : format)
            if (!c.isLetter()) {
                sep = c;
                break;
            }
        const QStringList fparts = format.split(sep);
        const QStringList parts = t.split(sep);
        if (parts.size() != 3 || fparts.size() != 3)
            return false;
        for (int i = 0; i < 3; ++i) {
            const QString& p = parts[i];
            if (p.isEmpty())
                return false;
            for (const QChar c : p)
                if (!c.isDigit())
                    return false;
            const int v = p.toInt();
            switch (fparts[i][0].unicode()) {
            case 'y':
                if (p.size() != fparts[i].size())
                    return false;
                y = fparts[i].size() == 2 ? 2000 + v : v;
                break;
            case 'M':
                if (p.size() > 2)
                    return false;
                m = v;
                break;
            default:
                if (p.size() > 2)
                    return false;
                d = v;
                break;
            }
        }
    }
    if (!ValidDate(y, m, d))
        return false;
    date = MakeDate(y, m, d);
    return true;
}

QChar SeparatorFromName(const QString& name) {
    if (name == QStringLiteral("semicolon"))
        return QLatin1Char(';');
    if (name == QStringLiteral("tab"))
        return QLatin1Char('\t');
    if (name == QStringLiteral("comma"))
        return QLatin1Char(',');
    return QChar();
}

QString SeparatorName(QChar c) {
    if (c == QLatin1Char(';'))
        return QStringLiteral("semicolon");
    if (c == QLatin1Char('\t'))
        return QStringLiteral("tab");
    if (c == QLatin1Char(','))
        return QStringLiteral("comma");
    return QStringLiteral("auto");
}

QString CsvCell(const QStringList& row, int col) {
    return col >= 0 && col < row.size() ? row[col].trimmed() : QString();
}

// The date of a row under mapping; what says why not.
bool CsvRowDate(const QStringList& row, const CsvMapping& mapping, CalDate& date, QString& what) {
    if (ReadCsvDate(CsvCell(row, mapping.dateCol), mapping.dateFormat, date))
        return true;
    what = QStringLiteral("date \"") + CsvCell(row, mapping.dateCol) + QStringLiteral("\" does not read as ") +
           mapping.dateFormat;
    return false;
}

// The signed amount of a row under mapping (one column, or money in less
// money out); what says why not.
bool CsvRowAmount(const QStringList& row, const CsvMapping& mapping, Amount& amount, QString& what) {
    auto amountOf = [&](int col, Amount& a) {
        if (ParseStatementAmount(CsvCell(row, col), mapping.decimalComma, a))
            return true;
        what = QStringLiteral("amount \"") + CsvCell(row, col) + QStringLiteral("\" does not read");
        return false;
    };
    if (mapping.amountCol >= 0)
        return amountOf(mapping.amountCol, amount);
    Amount debit = 0, credit = 0;
    const bool hasDebit = !CsvCell(row, mapping.debitCol).isEmpty();
    const bool hasCredit = !CsvCell(row, mapping.creditCol).isEmpty();
    if (!hasDebit && !hasCredit) {
        what = QStringLiteral("no amount in either column");
        return false;
    }
    if ((hasDebit && !amountOf(mapping.debitCol, debit)) || (hasCredit && !amountOf(mapping.creditCol, credit)))
        return false;
    const Amount64 v = Amount64(credit < 0 ? -Amount64(credit) : credit) - (debit < 0 ? -Amount64(debit) : debit);
    if (!FitsAmount(v) || v == kMinAmount) {
        what = QStringLiteral("amount out of range");
        return false;
    }
    amount = Amount(v);
    return true;
}

} // namespace

bool CsvMapping::usable() const {
    return dateCol >= 0 && (amountCol >= 0 || (debitCol >= 0 && creditCol >= 0)) &&
           CsvDateFormats().contains(dateFormat);
}

bool SplitCsv(const QString& text, QChar separator, std::vector<QStringList>& rows, std::vector<int>& rowLines,
              QString& error) {
    rows.clear();
    rowLines.clear();
    QStringList row;
    QString field;
    bool inQuotes = false;
    bool quoted = false; // the current field began with a quote
    int line = 1;
    int rowLine = 1;
    int quoteLine = 0;
    auto endRow = [&]() {
        row.append(field);
        field.clear();
        quoted = false;
        bool empty = true;
        for (const QString& f : row)
            empty = empty && f.trimmed().isEmpty();
        if (!empty) {
            rows.push_back(row);
            rowLines.push_back(rowLine);
        }
        row.clear();
    };
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (inQuotes) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                    field.append(c);
                    ++i;
                } else {
                    inQuotes = false;
                }
            } else {
                if (c == QLatin1Char('\n'))
                    ++line;
                if (c != QLatin1Char('\r') || i + 1 >= n || text[i + 1] != QLatin1Char('\n'))
                    field.append(c);
            }
            continue;
        }
        if (c == QLatin1Char('"') && field.trimmed().isEmpty() && !quoted) {
            field.clear();
            inQuotes = true;
            quoted = true;
            quoteLine = line;
        } else if (c == separator) {
            row.append(field);
            field.clear();
            quoted = false;
        } else if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n')) {
            // the LF ends the row
        } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            endRow();
            ++line;
            rowLine = line;
        } else if (!(quoted && c.isSpace())) {
            field.append(c);
        }
    }
    if (inQuotes) {
        error = QStringLiteral("line ") + QString::number(quoteLine) + QStringLiteral(": quote not closed");
        return false;
    }
    endRow();
    return true;
}

QChar GuessCsvSeparator(const QString& text) {
    int comma = 0, semi = 0, tab = 0;
    bool inQuotes = false;
    for (const QChar c : text) {
        if (c == QLatin1Char('"'))
            inQuotes = !inQuotes;
        else if (inQuotes)
            continue;
        else if (c == QLatin1Char('\n'))
            break;
        else if (c == QLatin1Char(','))
            ++comma;
        else if (c == QLatin1Char(';'))
            ++semi;
        else if (c == QLatin1Char('\t'))
            ++tab;
    }
    if (tab > comma && tab >= semi)
        return QLatin1Char('\t');
    if (semi > comma)
        return QLatin1Char(';');
    return QLatin1Char(',');
}

CsvMapping GuessCsvMapping(const QString& text) {
    CsvMapping m;
    m.separator = GuessCsvSeparator(text);
    std::vector<QStringList> rows;
    std::vector<int> rowLines;
    QString error;
    if (!SplitCsv(text, m.separator, rows, rowLines, error) || rows.empty())
        return m;
    const QStringList& head = rows[0];
    auto find = [&](std::initializer_list<const char*> names) {
        for (const char* name : names)
            for (int i = 0; i < head.size(); ++i)
                if (head[i].trimmed().compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                    return i;
        return -1;
    };
    m.dateCol = find({"date", "transaction date", "posting date", "booking date", "posted", "value date"});
    m.amountCol = find({"amount", "value", "transaction amount"});
    m.debitCol = find({"debit", "paid out", "money out", "withdrawal", "withdrawals", "out"});
    m.creditCol = find({"credit", "paid in", "money in", "deposit", "deposits", "in"});
    m.payeeCol = find({"payee", "name", "merchant", "counterparty"});
    const int descCol = find({"description", "details", "narrative", "transaction description", "text"});
    if (m.payeeCol < 0)
        m.payeeCol = descCol;
    else
        m.memoCol = descCol;
    if (m.memoCol < 0)
        m.memoCol = find({"memo", "notes", "note"});
    m.refCol = find({"reference", "ref", "check number", "cheque number", "check", "cheque"});
    if (m.amountCol >= 0)
        m.debitCol = m.creditCol = -1;
    m.headerRow = m.dateCol >= 0;
    if (m.dateCol < 0)
        return m;

    // The first date format that reads every date cell.
    for (const QString& f : CsvDateFormats()) {
        bool all = true;
        for (size_t r = 1; r < rows.size() && all; ++r) {
            CalDate d;
            all = m.dateCol < rows[r].size() && ReadCsvDate(rows[r][m.dateCol], f, d);
        }
        if (all) {
            m.dateFormat = f;
            break;
        }
    }
    // A decimal comma: some amount ends in ",d" or ",dd" with no "." after it.
    static const QRegularExpression commaDecimals(QStringLiteral(",\\d{1,2}\\s*\\)?-?$"));
    for (size_t r = 1; r < rows.size() && !m.decimalComma; ++r)
        for (int col : {m.amountCol, m.debitCol, m.creditCol})
            if (col >= 0 && col < rows[r].size() && commaDecimals.match(rows[r][col].trimmed()).hasMatch())
                m.decimalComma = true;
    return m;
}

bool ReadCsv(const QString& text, const CsvMapping& mapping, Statement& out, QString& error) {
    const QString& file = out.fileName;
    if (!mapping.usable()) {
        error = file + QStringLiteral(": the columns of this file are not known (date and amount columns and a date "
                                      "format are needed)");
        return false;
    }
    const QChar sep = mapping.separator.isNull() ? GuessCsvSeparator(text) : mapping.separator;
    std::vector<QStringList> rows;
    std::vector<int> rowLines;
    if (!SplitCsv(text, sep, rows, rowLines, error)) {
        error = file + QStringLiteral(", ") + error;
        return false;
    }
    std::vector<StatementLine> result;
    for (size_t r = mapping.headerRow ? 1 : 0; r < rows.size(); ++r) {
        const QStringList& row = rows[r];
        const int lineNo = rowLines[r];
        auto cell = [&](int col) { return col >= 0 && col < row.size() ? row[col].trimmed() : QString(); };
        for (int col : {mapping.dateCol, mapping.amountCol, mapping.debitCol, mapping.creditCol}) {
            if (col >= row.size()) {
                error = At(file, lineNo,
                           QStringLiteral("%1 fields where column %2 is expected").arg(row.size()).arg(col + 1));
                return false;
            }
        }
        StatementLine s;
        s.lineNo = lineNo;
        QString what;
        if (!CsvRowDate(row, mapping, s.date, what) || !CsvRowAmount(row, mapping, s.amount, what)) {
            error = At(file, lineNo, what);
            return false;
        }
        s.payee = cell(mapping.payeeCol);
        s.memo = cell(mapping.memoCol);
        s.ref = cell(mapping.refCol);
        result.push_back(s);
    }
    out.lines = std::move(result);
    out.hasClosing = false;
    return true;
}

QStringList CsvColumnNames(const QString& text, const CsvMapping& mapping) {
    std::vector<QStringList> rows;
    std::vector<int> rowLines;
    QString error;
    const QChar sep = mapping.separator.isNull() ? GuessCsvSeparator(text) : mapping.separator;
    if (!SplitCsv(text, sep, rows, rowLines, error) || rows.empty())
        return {};
    QStringList names;
    if (mapping.headerRow) {
        for (const QString& h : rows[0])
            names << h.trimmed();
    }
    qsizetype widest = 0;
    for (size_t r = 0; r < rows.size() && r < 20; ++r)
        widest = std::max(widest, rows[r].size());
    for (qsizetype i = names.size(); i < widest; ++i)
        names << QStringLiteral("Column ") + QString::number(i + 1);
    for (qsizetype i = 0; i < names.size(); ++i)
        if (names[i].isEmpty())
            names[i] = QStringLiteral("Column ") + QString::number(i + 1);
    return names;
}

std::vector<CsvPreviewRow> PreviewCsv(const QString& text, const CsvMapping& mapping, int maxRows, QString& error) {
    std::vector<CsvPreviewRow> out;
    std::vector<QStringList> rows;
    std::vector<int> rowLines;
    error.clear();
    const QChar sep = mapping.separator.isNull() ? GuessCsvSeparator(text) : mapping.separator;
    if (!SplitCsv(text, sep, rows, rowLines, error))
        return out;
    for (size_t r = mapping.headerRow ? 1 : 0; r < rows.size() && int(out.size()) < maxRows; ++r) {
        const QStringList& row = rows[r];
        CsvPreviewRow p;
        p.lineNo = rowLines[r];
        QString what;
        CalDate d;
        p.dateBad = !CsvRowDate(row, mapping, d, what);
        p.date = p.dateBad ? CsvCell(row, mapping.dateCol) : CalToDateStr(d);
        Amount a = 0;
        p.amountBad = (mapping.amountCol < 0 && (mapping.debitCol < 0 || mapping.creditCol < 0)) ||
                      !CsvRowAmount(row, mapping, a, what);
        if (!p.amountBad)
            p.amount = FormatAmount(a);
        else if (mapping.amountCol >= 0)
            p.amount = CsvCell(row, mapping.amountCol);
        else if (mapping.debitCol >= 0 || mapping.creditCol >= 0)
            p.amount = CsvCell(row, mapping.debitCol) + QStringLiteral(" / ") + CsvCell(row, mapping.creditCol);
        p.payee = CsvCell(row, mapping.payeeCol);
        p.memo = CsvCell(row, mapping.memoCol);
        p.ref = CsvCell(row, mapping.refCol);
        out.push_back(p);
    }
    return out;
}

bool LoadCsvMapping(const QString& iniPath, int accountId, CsvMapping& m) {
    const Profile p(iniPath);
    const QString sec = QStringLiteral("import-") + QString::number(accountId);
    if (!p.hasKey(sec, QStringLiteral("DateCol")))
        return false;
    CsvMapping r;
    r.separator = SeparatorFromName(p.readString(sec, QStringLiteral("Separator"), QString()));
    r.headerRow = p.readBool(sec, QStringLiteral("HeaderRow"), true);
    r.dateCol = p.readInt(sec, QStringLiteral("DateCol"), -1);
    r.amountCol = p.readInt(sec, QStringLiteral("AmountCol"), -1);
    r.debitCol = p.readInt(sec, QStringLiteral("DebitCol"), -1);
    r.creditCol = p.readInt(sec, QStringLiteral("CreditCol"), -1);
    r.payeeCol = p.readInt(sec, QStringLiteral("PayeeCol"), -1);
    r.memoCol = p.readInt(sec, QStringLiteral("MemoCol"), -1);
    r.refCol = p.readInt(sec, QStringLiteral("RefCol"), -1);
    r.dateFormat = p.readString(sec, QStringLiteral("DateFormat"), QString());
    r.decimalComma = p.readBool(sec, QStringLiteral("DecimalComma"), false);
    m = r;
    return true;
}

bool SaveCsvMapping(Prompter& prompter, const QString& iniPath, int accountId, const CsvMapping& m) {
    Profile p(prompter, iniPath);
    return p.writeSection(
        QStringLiteral("import-") + QString::number(accountId),
        {
            {QStringLiteral("Separator"), SeparatorName(m.separator)},
            {QStringLiteral("HeaderRow"), m.headerRow ? QStringLiteral("1") : QStringLiteral("0")},
            {QStringLiteral("DateCol"), QString::number(m.dateCol)},
            {QStringLiteral("AmountCol"), QString::number(m.amountCol)},
            {QStringLiteral("DebitCol"), QString::number(m.debitCol)},
            {QStringLiteral("CreditCol"), QString::number(m.creditCol)},
            {QStringLiteral("PayeeCol"), QString::number(m.payeeCol)},
            {QStringLiteral("MemoCol"), QString::number(m.memoCol)},
            {QStringLiteral("RefCol"), QString::number(m.refCol)},
            {QStringLiteral("DateFormat"), m.dateFormat},
            {QStringLiteral("DecimalComma"), m.decimalComma ? QStringLiteral("1") : QStringLiteral("0")},
        });
}

// ---- OFX -------------------------------------------------------------------

namespace {

// What the file's own text says of each transaction, for exact amounts and
// dates (libofx hands amounts over as double and dates as local time).
struct OfxTextTxn {
    int line = 0;
    QString amount;
    QString posted;
};

struct OfxText {
    std::vector<OfxTextTxn> txns;
    QString balAmount;
    QString balDate;
};

QString TagValue(const QString& block, const QString& tag) {
    const QRegularExpression re(QStringLiteral("<") + tag + QStringLiteral(">\\s*([^<\\r\\n]*)"),
                                QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(block);
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

OfxText ScanOfxText(const QString& text) {
    OfxText r;
    static const QRegularExpression start(QStringLiteral("<STMTTRN>"), QRegularExpression::CaseInsensitiveOption);
    QRegularExpressionMatchIterator it = start.globalMatch(text);
    std::vector<qsizetype> starts;
    while (it.hasNext())
        starts.push_back(it.next().capturedStart());
    for (size_t i = 0; i < starts.size(); ++i) {
        const qsizetype from = starts[i];
        const qsizetype to = i + 1 < starts.size() ? starts[i + 1] : text.size();
        QString block = text.mid(from, to - from);
        const qsizetype end = block.indexOf(QStringLiteral("</STMTTRN>"), 0, Qt::CaseInsensitive);
        if (end >= 0)
            block.truncate(end);
        OfxTextTxn t;
        t.line = int(text.left(from).count(QLatin1Char('\n'))) + 1;
        t.amount = TagValue(block, QStringLiteral("TRNAMT"));
        t.posted = TagValue(block, QStringLiteral("DTPOSTED"));
        r.txns.push_back(t);
    }
    const qsizetype bal = text.indexOf(QStringLiteral("<LEDGERBAL>"), 0, Qt::CaseInsensitive);
    if (bal >= 0) {
        const QString block = text.mid(bal, 400);
        r.balAmount = TagValue(block, QStringLiteral("BALAMT"));
        r.balDate = TagValue(block, QStringLiteral("DTASOF"));
    }
    return r;
}

bool OfxDate(const QString& text, CalDate& d) {
    if (text.size() < 8)
        return false;
    for (int i = 0; i < 8; ++i)
        if (!text[i].isDigit())
            return false;
    const int y = text.left(4).toInt(), m = text.mid(4, 2).toInt(), day = text.mid(6, 2).toInt();
    if (!ValidDate(y, m, day))
        return false;
    d = MakeDate(y, m, day);
    return true;
}

CalDate DateOfTime(time_t t) {
    struct tm tmv;
    localtime_r(&t, &tmv);
    return MakeDate(tmv.tm_year + 1900, tmv.tm_mon + 1, tmv.tm_mday);
}

struct OfxGather {
    std::vector<OfxTransactionData> txns;
    bool hasAccount = false;
    QByteArray firstAccount;
    bool hasStatement = false;
    OfxStatementData statement;
};

int OnAccount(const OfxAccountData data, void* user) {
    auto* g = static_cast<OfxGather*>(user);
    if (!g->hasAccount && data.account_id_valid) {
        g->hasAccount = true;
        g->firstAccount = QByteArray(data.account_id);
    }
    return 0;
}

int OnTransaction(const OfxTransactionData data, void* user) {
    static_cast<OfxGather*>(user)->txns.push_back(data);
    return 0;
}

int OnStatement(const OfxStatementData data, void* user) {
    auto* g = static_cast<OfxGather*>(user);
    if (!g->hasStatement) {
        g->hasStatement = true;
        g->statement = data;
    }
    return 0;
}

} // namespace

bool ReadOfxFile(const QString& path, Statement& out, QString& error) {
    const QString& file = out.fileName.isEmpty() ? path : out.fileName;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        error = file + QStringLiteral(": cannot be read (") + f.errorString() + QStringLiteral(")");
        return false;
    }
    const QByteArray bytes = f.readAll();
    f.close();
    const QString text = QString::fromLatin1(bytes);
    if (!text.contains(QStringLiteral("<OFX"), Qt::CaseInsensitive)) {
        error = At(file, 1, QStringLiteral("not an OFX statement (no <OFX> element)"));
        return false;
    }
    const OfxText scanned = ScanOfxText(text);

    ofx_PARSER_msg = ofx_DEBUG_msg = ofx_DEBUG1_msg = ofx_DEBUG2_msg = ofx_DEBUG3_msg = ofx_DEBUG4_msg =
        ofx_DEBUG5_msg = ofx_STATUS_msg = ofx_INFO_msg = ofx_WARNING_msg = ofx_ERROR_msg = 0;
    OfxGather g;
    LibofxContextPtr ctx = libofx_get_new_context();
    ofx_set_account_cb(ctx, OnAccount, &g);
    ofx_set_transaction_cb(ctx, OnTransaction, &g);
    ofx_set_statement_cb(ctx, OnStatement, &g);
    const QByteArray native = QFile::encodeName(path);
    libofx_proc_file(ctx, native.constData(), OFX);
    libofx_free_context(ctx);

    if (!g.hasStatement && g.txns.empty()) {
        error = At(file, 1, QStringLiteral("not an OFX bank or card statement"));
        return false;
    }
    if (!text.contains(QStringLiteral("</OFX>"), Qt::CaseInsensitive)) {
        error = At(file, int(text.count(QLatin1Char('\n'))) + 1, QStringLiteral("file cut short (no </OFX>)"));
        return false;
    }
    const bool exact = scanned.txns.size() == g.txns.size();
    std::vector<StatementLine> result;
    for (size_t i = 0; i < g.txns.size(); ++i) {
        const OfxTransactionData& t = g.txns[i];
        if (g.hasAccount && t.account_id_valid && QByteArray(t.account_id) != g.firstAccount)
            continue;
        StatementLine s;
        s.lineNo = exact ? scanned.txns[i].line : 0;
        const int lineNo = s.lineNo > 0 ? s.lineNo : 1;
        if (exact) {
            if (!ParseStatementAmount(scanned.txns[i].amount,
                                      scanned.txns[i].amount.contains(QLatin1Char(',')) &&
                                          !scanned.txns[i].amount.contains(QLatin1Char('.')),
                                      s.amount)) {
                error = At(file, lineNo,
                           QStringLiteral("amount \"") + scanned.txns[i].amount + QStringLiteral("\" does not read"));
                return false;
            }
            if (!OfxDate(scanned.txns[i].posted, s.date)) {
                error = At(file, lineNo,
                           QStringLiteral("date \"") + scanned.txns[i].posted + QStringLiteral("\" does not read"));
                return false;
            }
        } else {
            if (!t.amount_valid || !t.date_posted_valid) {
                error = At(file, lineNo, QStringLiteral("transaction without amount or date"));
                return false;
            }
            const double cents = t.amount * 100.0;
            const double rounded = std::llround(cents);
            if (std::fabs(cents - rounded) > 0.001 || !FitsAmount(std::int64_t(rounded))) {
                error = At(file, lineNo, QStringLiteral("amount does not read"));
                return false;
            }
            s.amount = Amount(std::int64_t(rounded));
            s.date = DateOfTime(t.date_posted);
        }
        if (t.name_valid)
            s.payee = QString::fromUtf8(t.name).trimmed();
        if (t.memo_valid)
            s.memo = QString::fromUtf8(t.memo).trimmed();
        if (t.check_number_valid)
            s.ref = QString::fromUtf8(t.check_number).trimmed();
        else if (t.reference_number_valid)
            s.ref = QString::fromUtf8(t.reference_number).trimmed();
        if (t.fi_id_valid)
            s.bankId = QString::fromUtf8(t.fi_id).trimmed();
        result.push_back(s);
    }
    out.lines = std::move(result);
    out.hasClosing = false;
    if (!scanned.balAmount.isEmpty()) {
        Amount bal = 0;
        CalDate date;
        if (!ParseStatementAmount(scanned.balAmount, false, bal) || !OfxDate(scanned.balDate, date)) {
            error = file + QStringLiteral(": closing balance (LEDGERBAL) does not read");
            return false;
        }
        out.hasClosing = true;
        out.closingBalance = bal;
        out.closingDate = date;
    } else if (g.hasStatement && g.statement.ledger_balance_valid && g.statement.ledger_balance_date_valid) {
        const double cents = g.statement.ledger_balance * 100.0;
        out.hasClosing = true;
        out.closingBalance = Amount(std::llround(cents));
        out.closingDate = DateOfTime(g.statement.ledger_balance_date);
    }
    return true;
}

// ---- any file -------------------------------------------------------------

namespace {

// A guessed date format that reads every date either way round (dd/MM and
// MM/dd) is asked about, as in QIF files, when some date would change.
bool ResolveCsvDayMonth(Prompter& prompter, const QString& text, const QString& file, CsvMapping& m, QString& error) {
    if (!m.usable())
        return true;
    QString swapped = m.dateFormat;
    const qsizetype dd = swapped.indexOf(QStringLiteral("dd")), mm = swapped.indexOf(QStringLiteral("MM"));
    if (dd < 0 || mm < 0)
        return true;
    swapped.replace(dd, 2, QStringLiteral("MM"));
    swapped.replace(mm, 2, QStringLiteral("dd"));
    if (!CsvDateFormats().contains(swapped))
        return true;
    std::vector<QStringList> rows;
    std::vector<int> lines;
    QString ignored;
    if (!SplitCsv(text, m.separator, rows, lines, ignored))
        return true;
    bool differs = false;
    for (size_t r = m.headerRow ? 1 : 0; r < rows.size(); ++r) {
        if (m.dateCol >= rows[r].size())
            return true;
        CalDate a, b;
        if (!ReadCsvDate(rows[r][m.dateCol], m.dateFormat, a) || !ReadCsvDate(rows[r][m.dateCol], swapped, b))
            return true; // only one order reads the file
        differs = differs || !DateEqual(a, b);
    }
    if (!differs)
        return true;
    const int c = prompter.Choose(QStringLiteral("Dates in ") + file +
                                      QStringLiteral(" can be read either way - which is the order?"),
                                  QStringLiteral("Day/month"), QStringLiteral("Month/day"));
    if (c == 0) {
        error = file + QStringLiteral(": import cancelled");
        return false;
    }
    const bool dayFirst = m.dateFormat.indexOf(QStringLiteral("dd")) < m.dateFormat.indexOf(QStringLiteral("MM"));
    if ((c == 1) != dayFirst)
        m.dateFormat = swapped;
    return true;
}

} // namespace

bool ReadStatementFile(Prompter& prompter, const QString& path, StatementFormat format, const QString& iniPath,
                       int accountId, Statement& out, CsvMapping* usedMapping, const CsvMappingChooser& chooseMapping) {
    Statement st;
    st.fileName = QFileInfo(path).fileName();
    QString error;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        prompter.ShowMessage(st.fileName + QStringLiteral(": cannot be read (") + f.errorString() +
                             QStringLiteral(")"));
        return false;
    }
    const QByteArray bytes = f.readAll();
    f.close();
    if (format == StatementFormat::Unknown)
        format = GuessStatementFormat(path, bytes.left(512));
    bool ok = false;
    if (format == StatementFormat::Ofx) {
        ok = ReadOfxFile(path, st, error);
    } else if (format == StatementFormat::Qif || format == StatementFormat::Csv) {
        QString text;
        ok = DecodeUtf8(bytes, st.fileName, text, error);
        if (ok && format == StatementFormat::Qif) {
            ok = ReadQif(text, st, prompter, error);
        } else if (ok) {
            CsvMapping m;
            if (iniPath.isEmpty() || !LoadCsvMapping(iniPath, accountId, m)) {
                m = GuessCsvMapping(text);
                // The chooser shows the dates as read, which answers the question.
                if (!chooseMapping)
                    ok = ResolveCsvDayMonth(prompter, text, st.fileName, m, error);
            }
            if (ok && chooseMapping) {
                if (m.separator.isNull())
                    m.separator = GuessCsvSeparator(text);
                if (!chooseMapping(text, m))
                    return false;
            }
            ok = ok && ReadCsv(text, m, st, error);
            if (ok && usedMapping)
                *usedMapping = m;
        }
    } else {
        error = st.fileName + QStringLiteral(": not a statement file that can be imported (OFX, QFX, QIF or CSV)");
    }
    if (!ok) {
        prompter.ShowMessage(error);
        return false;
    }
    out = std::move(st);
    return true;
}
