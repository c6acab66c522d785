// Printing to a PDF file: small pages tiled four to a sheet with their
// frames, A4 pages one to a sheet, a bad size box stopping the job, columns
// lined up; and the grid export of every cell.
#include "forms/views/TFClpBd2.h"
#include "forms/views/TFPtg.h"

#include "ModalDriver.h"
#include "support/ScriptedPrompter.h"

#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QRegularExpression>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Pages in a PDF file: its page objects (their dictionaries are not
// compressed).
int PdfPageCount(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray pdf = f.readAll();
    return int(QString::fromLatin1(pdf).count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))));
}

struct PdfJob {
    QTemporaryDir dir;
    QPrinter printer{QPrinter::HighResolution};
    ScriptedPrompter prompter;
    PagePrinter job;
    QString file = dir.filePath(QStringLiteral("out.pdf"));

    // Prints up to lines lines, stopping early once untilFrames frames are drawn.
    bool print(const PrintSettings& s, int lines, size_t untilFrames = 0) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        if (!job.Begin(&printer, s, QFont(QStringLiteral("DejaVu Sans"), 10), prompter))
            return false;
        for (int i = 0; i < lines && (untilFrames == 0 || job.Frames().size() < untilFrames); ++i)
            job.PrintLine(QStringLiteral("line ") + QString::number(i));
        job.End();
        return true;
    }
};

} // namespace

class TFClpBd2Test : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { CloseModals(); }

    void smallPagesTileFourToASheet() {
        PdfJob p;
        PrintSettings s;
        s.width = QStringLiteral("100");
        s.height = QStringLiteral("140");
        // Lines until a fifth tile starts: it starts the second sheet.
        QVERIFY(p.print(s, 10000, 5));
        const int ppi = p.printer.logicalDpiX();
        const int w = MmToPixels(100, ppi), h = MmToPixels(140, p.printer.logicalDpiY());
        const auto& frames = p.job.Frames();
        QCOMPARE(frames.size(), size_t(5));
        const QPoint expected[5] = {{0, 0}, {w, 0}, {0, h}, {w, h}, {0, 0}};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(frames[size_t(i)].rect.topLeft(), expected[i]);
            QCOMPARE(frames[size_t(i)].rect.size(), QSize(w, h));
            QCOMPARE(frames[size_t(i)].sheet, i < 4 ? 1 : 2);
        }
        QCOMPARE(p.job.Sheets(), 2);
        QCOMPARE(PdfPageCount(p.file), 2);
    }

    // Tab-separated columns line up on stops past each column's widest cell.
    void columnsLineUpPastTheirWidestCell() {
        PdfJob p;
        p.printer.setOutputFormat(QPrinter::PdfFormat);
        p.printer.setOutputFileName(p.file);
        const QFont font(QStringLiteral("DejaVu Sans"), 10);
        QVERIFY(p.job.Begin(&p.printer, PrintSettings(), font, p.prompter));
        p.job.AlignColumns({QStringLiteral("Date\tAmount\tNote"), QStringLiteral("2024-01-02  Tue\t-1.00"),
                            QStringLiteral("a line without tabs as wide as anything")});
        p.job.End();
        const QFontMetricsF fm(font, &p.printer);
        const auto& stops = p.job.TabStops();
        QCOMPARE(stops.size(), size_t(2)); // the last cell of a line sets no stop
        QVERIFY(stops[0] > fm.horizontalAdvance(QStringLiteral("2024-01-02  Tue")));
        QVERIFY(stops[0] < fm.horizontalAdvance(QStringLiteral("a line without tabs as wide as anything")));
        QVERIFY(stops[1] > stops[0] + fm.horizontalAdvance(QStringLiteral("Amount")));
    }

    void a4PagesTakeASheetEachWithoutFrames() {
        PdfJob p;
        QVERIFY(p.print(PrintSettings(), 160));
        QVERIFY(p.job.Frames().empty());
        QVERIFY(p.job.Sheets() >= 2);
        QCOMPARE(PdfPageCount(p.file), p.job.Sheets());

        PdfJob bad;
        PrintSettings s;
        s.left = QStringLiteral("1o");
        QVERIFY(!bad.print(s, 3));
        QCOMPARE(bad.prompter.messages(), QStringList{QStringLiteral("'1o' is not a valid floating point value")});
    }

    void gridExportHasEveryCell() {
        QStandardItemModel m(2, 3);
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 3; ++c)
                m.setItem(r, c, new QStandardItem(QString::number(r * 10 + c)));
        TFClpBd2 w;
        w.StatusLbl->setText(QStringLiteral("kept"));
        w.ExportGrid(&m, QStringLiteral("Analysis"));
        QCOMPARE(w.Memo->toPlainText(), QStringLiteral("Analysis\n0\t1\t2\n10\t11\t12"));
        QCOMPARE(w.StatusLbl->text(), QStringLiteral("kept"));
    }
};

QTEST_MAIN(TFClpBd2Test)
#include "TFClpBd2Test.moc"
