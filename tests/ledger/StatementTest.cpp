// Reading statement files: amounts, dates, CSV quoting, OFX through libofx.
#include "ledger/Statement.h"
#include "data/Profile.h"
#include "support/ScriptedPrompter.h"
#include "support/TempFolder.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

CalDate D(int y, int m, int d) {
    return MakeDate(y, m, d);
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

struct Read {
    ScriptedPrompter prompter;
    Statement st;
    QString error;
    bool qif(const QString& text, DayMonthOrder order = DayMonthOrder::Unknown) {
        st.fileName = QStringLiteral("card.qif");
        return ReadQif(text, st, prompter, error, order);
    }
};

} // namespace

TEST(StatementAmount, SignScaleAndSeparators) {
    struct Case {
        const char* text;
        bool comma;
        Amount want;
    } ok[] = {{"-1,234.56", false, -123456}, {"1.234,56", true, 123456}, {"(12.50)", false, -1250},
              {"12.5", false, 1250},         {"7", false, 700},          {"25.00-", false, -2500},
              {"€ 3,10", true, 310},         {"+0.05", false, 5},        {"1 234,50", true, 123450}};
    for (const Case& c : ok) {
        Amount a = 0;
        EXPECT_TRUE(ParseStatementAmount(QString::fromUtf8(c.text), c.comma, a)) << c.text;
        EXPECT_EQ(a, c.want) << c.text;
    }
    // A third decimal would be lost; two decimal marks, letters and nothing at all do not read.
    for (const char* bad : {"1.234", "1.2.3", "12a", "", "-", "99999999999999"}) {
        Amount a = 42;
        EXPECT_FALSE(ParseStatementAmount(QString::fromUtf8(bad), false, a)) << bad;
        EXPECT_EQ(a, 42);
    }
    // A decimal mark taken for a group separator would read a hundred times
    // the amount: a separator must stand before three digits.
    Amount a = 42;
    EXPECT_FALSE(ParseStatementAmount(QStringLiteral("-23,45"), false, a));
    EXPECT_FALSE(ParseStatementAmount(QStringLiteral("12.5"), true, a));
    EXPECT_FALSE(ParseStatementAmount(QStringLiteral("1,234,56"), false, a));
    EXPECT_TRUE(ParseStatementAmount(QStringLiteral("1,00,000.00"), false, a)); // lakh grouping
    EXPECT_EQ(a, 10000000);
}

TEST(StatementQif, DayMonthOrderDecidedByTheFile) {
    Read dayFirst;
    ASSERT_TRUE(dayFirst.qif("!Type:Bank\nD03/02/2024\nT-10.00\nPShop\n^\nD25/02/2024\nU1,500.00\nPSalary\n^\n"))
        << dayFirst.error.toStdString();
    ASSERT_EQ(dayFirst.st.lines.size(), 2u);
    EXPECT_TRUE(DateEqual(dayFirst.st.lines[0].date, D(2024, 2, 3)));
    EXPECT_EQ(dayFirst.st.lines[0].amount, -1000);
    EXPECT_EQ(dayFirst.st.lines[1].amount, 150000);
    EXPECT_EQ(dayFirst.st.lines[1].lineNo, 6);

    Read monthFirst;
    ASSERT_TRUE(monthFirst.qif("!Type:CCard\r\nD3/2'24\r\nT-4.20\r\nN77\r\n^\r\nD12/31/2023\r\nT4.20\r\n^\r\n"));
    ASSERT_EQ(monthFirst.st.lines.size(), 2u);
    EXPECT_TRUE(DateEqual(monthFirst.st.lines[0].date, D(2024, 3, 2)));
    EXPECT_EQ(monthFirst.st.lines[0].ref, QStringLiteral("77"));
    EXPECT_TRUE(monthFirst.prompter.messages().isEmpty());
}

TEST(StatementQif, AmbiguousDatesAskAndCancelReadsNothing) {
    const QString text = QStringLiteral("!Type:Bank\nD04/05/2024\nT-1.00\n^\n");
    Read a;
    a.prompter.expectChoice(QStringLiteral("Dates in card.qif can be read either way - which is the order?"), 2);
    ASSERT_TRUE(a.qif(text));
    EXPECT_TRUE(DateEqual(a.st.lines[0].date, D(2024, 4, 5)));
    Read b;
    ASSERT_TRUE(b.qif(text, DayMonthOrder::DayFirst));
    EXPECT_TRUE(DateEqual(b.st.lines[0].date, D(2024, 5, 4)));
    Read c;
    c.prompter.expectChoice(QString(), 0);
    EXPECT_FALSE(c.qif(text));
    EXPECT_TRUE(c.st.lines.empty());
}

TEST(StatementQif, BadInputNamesTheLine) {
    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"!Type:Bank\nD01/02/2024\nT-1.00\n^\nD13/13/2024\nT1\n^\n", "card.qif, line 5: date \"13/13/2024\""},
        {"!Type:Bank\nD01/02/2024\nTabc\n^\n", "card.qif, line 3: amount \"abc\""},
        {"!Type:Bank\nD01/02/2024\nT-1.00\n^\nD02/02/2024\nT-2.00\n", "card.qif, line 7: file cut short"},
        {"!Type:Invst\nD01/02/2024\n", "card.qif, line 1: not a bank or card statement"},
        {"D01/02/2024\nT1\n^\n", "card.qif, line 1: not a QIF statement"},
        {"!Type:Bank\nD13/01/2024\nT1\n^\nD01/13/2024\nT1\n^\n", "card.qif, line 5: dates mix"},
    };
    for (const Case& c : cases) {
        Read r;
        EXPECT_FALSE(r.qif(QString::fromUtf8(c.text))) << c.text;
        EXPECT_TRUE(r.error.startsWith(QString::fromUtf8(c.error))) << r.error.toStdString();
        EXPECT_TRUE(r.st.lines.empty());
    }
}

TEST(StatementCsv, SeparatorsQuotesBomCrlfAndDecimalComma) {
    // Semicolons, a byte-order mark, CRLF, a quoted payee holding the
    // separator and a line break, decimal comma with thousands points.
    const QString semi = QString::fromUtf8("\xEF\xBB\xBF") +
                         QStringLiteral("Datum;Date;Payee;Amount\r\nx;31.01.2024;\"Shop; \"\"Main\"\"\r\nStreet\";"
                                        "-1.234,50\r\nx;01.02.2024;Salary;2.000,00\r\n");
    Statement st;
    st.fileName = QStringLiteral("bank.csv");
    QString error;
    const CsvMapping m = GuessCsvMapping(semi.mid(1));
    ASSERT_TRUE(m.usable());
    EXPECT_EQ(m.separator, QLatin1Char(';'));
    EXPECT_EQ(m.dateFormat, QStringLiteral("dd.MM.yyyy"));
    EXPECT_TRUE(m.decimalComma);
    ASSERT_TRUE(ReadCsv(semi.mid(1), m, st, error)) << error.toStdString();
    ASSERT_EQ(st.lines.size(), 2u);
    EXPECT_EQ(st.lines[0].payee, QStringLiteral("Shop; \"Main\"\nStreet"));
    EXPECT_EQ(st.lines[0].amount, -123450);
    EXPECT_TRUE(DateEqual(st.lines[0].date, D(2024, 1, 31)));
    EXPECT_EQ(st.lines[1].lineNo, 4);
    EXPECT_EQ(st.lines[1].amount, 200000);

    // Tabs with debit and credit columns: a debit is money out whatever its sign.
    const QString tabs = QStringLiteral("Date\tDescription\tDebit\tCredit\n03/15/2024\tRent\t-800.00\t\n"
                                        "03/16/2024\tRefund\t\t12.34\n03/17/2024\tFee\t1,000.10\t\n");
    const CsvMapping t = GuessCsvMapping(tabs);
    ASSERT_TRUE(t.usable());
    EXPECT_EQ(t.dateFormat, QStringLiteral("MM/dd/yyyy"));
    ASSERT_TRUE(ReadCsv(tabs, t, st, error)) << error.toStdString();
    ASSERT_EQ(st.lines.size(), 3u);
    EXPECT_EQ(st.lines[0].amount, -80000);
    EXPECT_EQ(st.lines[1].amount, 1234);
    EXPECT_EQ(st.lines[2].amount, -100010);

    // Commas with quoted thousands.
    const QString commas = QStringLiteral("Date,Amount,Payee\n2024-04-01,\"1,250.00\",Bonus\n");
    ASSERT_TRUE(ReadCsv(commas, GuessCsvMapping(commas), st, error));
    EXPECT_EQ(st.lines[0].amount, 125000);
}

TEST(StatementCsv, BadRowsNameTheLineAndMappingIsRemembered) {
    Statement st;
    st.fileName = QStringLiteral("bank.csv");
    QString error;
    const QString text = QStringLiteral("Date,Amount\n2024-01-02,5.00\n2024-01-32,1.00\n");
    CsvMapping m = GuessCsvMapping(QStringLiteral("Date,Amount\n2024-01-02,5.00\n"));
    EXPECT_FALSE(ReadCsv(text, m, st, error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("bank.csv, line 3: date \"2024-01-32\""))) << error.toStdString();
    EXPECT_FALSE(ReadCsv(QStringLiteral("Date,Amount\n2024-01-02,\"5.00\n"), m, st, error));
    EXPECT_TRUE(error.contains(QStringLiteral("line 2: quote not closed"))) << error.toStdString();

    TempFolder dir;
    const QString ini = dir.file(QStringLiteral("KOVRALDB.INI"));
    Write(ini, "[main]\nDefaultCashId=4\n");
    ScriptedPrompter p;
    m.separator = QLatin1Char('\t');
    m.decimalComma = true;
    ASSERT_TRUE(SaveCsvMapping(p, ini, 12, m));
    CsvMapping back;
    EXPECT_FALSE(LoadCsvMapping(ini, 13, back));
    ASSERT_TRUE(LoadCsvMapping(ini, 12, back));
    EXPECT_EQ(back.separator, QLatin1Char('\t'));
    EXPECT_EQ(back.amountCol, m.amountCol);
    EXPECT_EQ(back.dateFormat, m.dateFormat);
    EXPECT_TRUE(back.decimalComma);
    EXPECT_EQ(Profile(ini).readInt(QStringLiteral("main"), QStringLiteral("DefaultCashId"), 0), 4);
}

TEST(StatementFile, OfxSgmlAndXmlWithClosingBalance) {
    TempFolder dir;
    const QByteArray body = "<STMTTRN><TRNTYPE>DEBIT<DTPOSTED>20240105120000[0:GMT]<TRNAMT>-42.10<FITID>A1"
                            "<NAME>CORNER SHOP<MEMO>card 1234</STMTTRN>\n"
                            "<STMTTRN><TRNTYPE>CREDIT<DTPOSTED>20240131<TRNAMT>1500.00<FITID>A2"
                            "<NAME>ACME LTD</STMTTRN>\n";
    const QByteArray sgml = "OFXHEADER:100\nDATA:OFXSGML\nVERSION:102\nSECURITY:NONE\nENCODING:USASCII\n"
                            "CHARSET:1252\nCOMPRESSION:NONE\nOLDFILEUID:NONE\nNEWFILEUID:NONE\n\n"
                            "<OFX><BANKMSGSRSV1><STMTTRNRS><TRNUID>1<STATUS><CODE>0<SEVERITY>INFO</STATUS>"
                            "<STMTRS><CURDEF>GBP<BANKACCTFROM><BANKID>1<ACCTID>99<ACCTTYPE>CHECKING</BANKACCTFROM>\n"
                            "<BANKTRANLIST><DTSTART>20240101<DTEND>20240131\n" +
                            body +
                            "</BANKTRANLIST><LEDGERBAL><BALAMT>2457.90<DTASOF>20240131</LEDGERBAL>"
                            "</STMTRS></STMTTRNRS></BANKMSGSRSV1></OFX>\n";
    QByteArray xmlBody = body;
    xmlBody.replace("DEBIT<", "DEBIT</TRNTYPE><").replace("CREDIT<", "CREDIT</TRNTYPE><");
    xmlBody.replace("[0:GMT]<", "[0:GMT]</DTPOSTED><").replace("20240131<TRNAMT>", "20240131</DTPOSTED><TRNAMT>");
    xmlBody.replace("-42.10<", "-42.10</TRNAMT><").replace("1500.00<", "1500.00</TRNAMT><");
    xmlBody.replace("A1<", "A1</FITID><").replace("A2<", "A2</FITID><");
    xmlBody.replace("SHOP<", "SHOP</NAME><").replace("1234<", "1234</MEMO><").replace("LTD<", "LTD</NAME><");
    const QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<?OFX OFXHEADER=\"200\" VERSION=\"211\" "
                           "SECURITY=\"NONE\" OLDFILEUID=\"NONE\" NEWFILEUID=\"NONE\"?>\n"
                           "<OFX><BANKMSGSRSV1><STMTTRNRS><TRNUID>1</TRNUID><STATUS><CODE>0</CODE><SEVERITY>INFO"
                           "</SEVERITY></STATUS><STMTRS><CURDEF>GBP</CURDEF><BANKACCTFROM><BANKID>1</BANKID>"
                           "<ACCTID>99</ACCTID><ACCTTYPE>CHECKING</ACCTTYPE></BANKACCTFROM>\n<BANKTRANLIST>"
                           "<DTSTART>20240101</DTSTART><DTEND>20240131</DTEND>\n" +
                           xmlBody +
                           "</BANKTRANLIST><LEDGERBAL><BALAMT>2457.90</BALAMT><DTASOF>20240131</DTASOF></LEDGERBAL>"
                           "</STMTRS></STMTTRNRS></BANKMSGSRSV1></OFX>\n";
    Write(dir.file(QStringLiteral("a.ofx")), sgml);
    Write(dir.file(QStringLiteral("b.qfx")), xml);
    for (const char* name : {"a.ofx", "b.qfx"}) {
        ScriptedPrompter p;
        Statement st;
        ASSERT_TRUE(
            ReadStatementFile(p, dir.file(QString::fromLatin1(name)), StatementFormat::Unknown, QString(), 1, st))
            << name << " " << p.messages().join(QLatin1Char('|')).toStdString();
        ASSERT_EQ(st.lines.size(), 2u) << name;
        EXPECT_EQ(st.lines[0].amount, -4210) << name;
        EXPECT_TRUE(DateEqual(st.lines[0].date, D(2024, 1, 5))) << name;
        EXPECT_EQ(st.lines[0].bankId, QStringLiteral("A1")) << name;
        EXPECT_EQ(st.lines[0].payee, QStringLiteral("CORNER SHOP")) << name;
        EXPECT_EQ(st.lines[1].amount, 150000) << name;
        ASSERT_TRUE(st.hasClosing) << name;
        EXPECT_EQ(st.closingBalance, 245790) << name;
        EXPECT_TRUE(DateEqual(st.closingDate, D(2024, 1, 31))) << name;
    }
    // Cut short, and bytes that are not UTF-8 in a CSV file.
    Write(dir.file(QStringLiteral("c.ofx")), sgml.left(sgml.indexOf("</BANKTRANLIST>")));
    Write(dir.file(QStringLiteral("d.csv")), "Date,Amount\n2024-01-01,1.00\n2024-01-02,\xff\xfe\n");
    for (const char* name : {"c.ofx", "d.csv"}) {
        ScriptedPrompter p;
        Statement st;
        st.lines.resize(1);
        EXPECT_FALSE(
            ReadStatementFile(p, dir.file(QString::fromLatin1(name)), StatementFormat::Unknown, QString(), 1, st));
        ASSERT_EQ(p.messages().size(), 1);
        EXPECT_TRUE(p.messages()[0].startsWith(QString::fromLatin1(name) + QStringLiteral(", line "))) << name;
        EXPECT_EQ(st.lines.size(), 1u);
    }
    ScriptedPrompter p;
    Statement st;
    ReadStatementFile(p, dir.file(QStringLiteral("d.csv")), StatementFormat::Unknown, QString(), 1, st);
    EXPECT_EQ(p.messages().value(0), QStringLiteral("d.csv, line 3: text is not UTF-8"));
}

TEST(StatementFile, CsvDatesReadableEitherWayAreAskedAbout) {
    TempFolder dir;
    Write(dir.file(QStringLiteral("a.csv")), "Date,Amount\n04/05/2024,1.00\n01/02/2024,2.00\n");
    Write(dir.file(QStringLiteral("b.csv")), "Date,Amount\n04/05/2024,1.00\n13/02/2024,2.00\n");
    ScriptedPrompter p;
    Statement st;
    p.expectChoice(QStringLiteral("Dates in a.csv can be read either way - which is the order?"), 2);
    ASSERT_TRUE(ReadStatementFile(p, dir.file(QStringLiteral("a.csv")), StatementFormat::Unknown, QString(), 1, st));
    EXPECT_TRUE(DateEqual(st.lines[0].date, D(2024, 4, 5)));
    // A day above 12 decides without a question.
    ASSERT_TRUE(ReadStatementFile(p, dir.file(QStringLiteral("b.csv")), StatementFormat::Unknown, QString(), 1, st));
    EXPECT_TRUE(DateEqual(st.lines[0].date, D(2024, 5, 4)));
    EXPECT_TRUE(p.allAnswered());
}

TEST(StatementCsv, PreviewReadsRowsAsTheImportWouldAndMarksWhatDoesNotRead) {
    // No header line, semicolons, debit and credit columns with decimal commas.
    const QString text = QStringLiteral("31.01.2024;Shop;12,50;\n01.02.2024;Salary;;2.000,00\n2024-02-03;Fee;x;\n");
    CsvMapping m;
    m.separator = QLatin1Char(';');
    m.headerRow = false;
    m.dateCol = 0;
    m.payeeCol = 1;
    m.dateFormat = QStringLiteral("dd.MM.yyyy");
    EXPECT_EQ(CsvColumnNames(text, m), QStringList({QStringLiteral("Column 1"), QStringLiteral("Column 2"),
                                                    QStringLiteral("Column 3"), QStringLiteral("Column 4")}));
    QString error;
    std::vector<CsvPreviewRow> rows = PreviewCsv(text, m, 2, error);
    ASSERT_EQ(rows.size(), 2u);     // as many as asked for
    EXPECT_TRUE(rows[0].amountBad); // no amount column chosen yet
    m.debitCol = 2;
    m.creditCol = 3;
    m.decimalComma = true;
    rows = PreviewCsv(text, m, 10, error);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].date, QStringLiteral("2024-01-31"));
    EXPECT_EQ(rows[0].amount, FormatAmount(-1250));
    EXPECT_EQ(rows[1].amount, FormatAmount(200000));
    EXPECT_EQ(rows[1].payee, QStringLiteral("Salary"));
    EXPECT_FALSE(rows[1].dateBad || rows[1].amountBad);
    EXPECT_EQ(rows[2].lineNo, 3);
    EXPECT_TRUE(rows[2].dateBad && rows[2].amountBad);
    EXPECT_EQ(rows[2].date, QStringLiteral("2024-02-03")); // the cell as it stands
    // With a decimal point "2.000,00" no longer reads.
    m.decimalComma = false;
    EXPECT_TRUE(PreviewCsv(text, m, 10, error)[1].amountBad);
}

TEST(StatementFile, TheMappingChooserSeesTheProposalAndItsChoiceIsRead) {
    TempFolder dir;
    Write(dir.file(QStringLiteral("a.csv")), "Date,Amount,Out\n04/05/2024,1.00,2.00\n01/02/2024,3.00,4.00\n");
    ScriptedPrompter p;
    Statement st;
    CsvMapping proposed;
    auto choose = [&](const QString&, CsvMapping& m) {
        proposed = m;
        m.dateFormat = QStringLiteral("MM/dd/yyyy");
        m.amountCol = 2;
        return true;
    };
    // The chooser shows the dates, so nothing is asked about their order.
    ASSERT_TRUE(ReadStatementFile(p, dir.file(QStringLiteral("a.csv")), StatementFormat::Unknown, QString(), 1, st,
                                  nullptr, choose));
    EXPECT_EQ(proposed.separator, QLatin1Char(','));
    EXPECT_EQ(proposed.amountCol, 1);
    EXPECT_TRUE(DateEqual(st.lines[0].date, D(2024, 4, 5)));
    EXPECT_EQ(st.lines[1].amount, 400);
    const auto cancel = [](const QString&, CsvMapping&) { return false; };
    EXPECT_FALSE(ReadStatementFile(p, dir.file(QStringLiteral("a.csv")), StatementFormat::Unknown, QString(), 1, st,
                                   nullptr, cancel));
    EXPECT_TRUE(p.messages().isEmpty());
}
