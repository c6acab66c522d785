// The CSV column mapping driven from the keyboard: a wrong proposal mended
// with the combo boxes while the preview shows what reads, OK remembering the
// choices, and a file that does not read as a whole keeping the window open.
#include "forms/import/TFCsvMap.h"

#include "ModalDriver.h"
#include "data/Core.h"
#include "data/SettingsFile.h"
#include "forms/Screens.h"
#include "support/ScriptedPrompter.h"
#include "support/TempFolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTableWidget>
#include <QtTest>

class TFCsvMapTest : public QObject {
    Q_OBJECT

    TempFolder dir;
    ScriptedPrompter prompter;
    TFCore core{prompter};

    // Moves a combo box to the item holding text, with the arrow keys.
    static void KeyTo(QComboBox* box, const QString& text) {
        const int want = box->findText(text, Qt::MatchContains);
        QVERIFY2(want >= 0, qPrintable(text));
        while (box->currentIndex() != want)
            QTest::keyClick(box, box->currentIndex() < want ? Qt::Key_Down : Qt::Key_Up);
    }
    static bool Red(const QTableWidget* g, int row, int col) {
        return g->item(row, col)->background().color() == QColor(255, 190, 190);
    }

private Q_SLOTS:
    void initTestCase() { core.setDataFolder(dir.path()); }
    void cleanup() { CloseModals(); }

    void aWrongProposalIsMendedWithTheCombosAndRemembered() {
        const QString text = QStringLiteral("Date;Payee;Amount\n31.01.2024;Shop;-12,50\n01.02.2024;Pay;1.000,00\n");
        CsvMapping m; // nothing known: comma-separated, no columns
        m.separator = QLatin1Char(',');
        m.dateFormat = QStringLiteral("yyyy-MM-dd");
        QStringList before, after;
        WhenModal([&](QWidget* w) {
            auto* d = dynamic_cast<TFCsvMap*>(w);
            QVERIFY(d);
            QCOMPARE(d->DateCombo->count(), 3); // "(none)" and the two columns the decimal commas make
            KeyTo(d->SeparatorCombo, QStringLiteral("Semicolon"));
            QCOMPARE(d->DateCombo->count(), 4);
            KeyTo(d->DateCombo, QStringLiteral("1: Date"));
            KeyTo(d->AmountCombo, QStringLiteral("3: Amount"));
            KeyTo(d->PayeeCombo, QStringLiteral("2: Payee"));
            QCOMPARE(d->PreviewGrid->rowCount(), 2);
            QVERIFY(Red(d->PreviewGrid, 0, 1)); // not yyyy-MM-dd
            QVERIFY(Red(d->PreviewGrid, 1, 2)); // a decimal comma read as a point
            KeyTo(d->FormatCombo, QStringLiteral("dd.MM.yyyy"));
            KeyTo(d->DecimalCombo, QStringLiteral("Comma"));
            for (int c = 0; c < d->PreviewGrid->columnCount(); ++c)
                after << d->PreviewGrid->item(1, c)->text();
            QVERIFY(!Red(d->PreviewGrid, 1, 2));
            QTest::keyClick(d, Qt::Key_Enter);
        });
        QVERIFY(ChooseCsvMapping(core, 7, QStringLiteral("bank.csv"), text, m));
        QCOMPARE(after, (QStringList{"3", "2024-02-01", FormatAmount(100000), "Pay", "", ""}));
        CsvMapping back;
        QVERIFY(LoadCsvMapping(SettingsPath(dir.path()), 7, back));
        QCOMPARE(back.separator, QLatin1Char(';'));
        QCOMPARE(back.amountCol, 2);
        QCOMPARE(back.dateFormat, QStringLiteral("dd.MM.yyyy"));
        QVERIFY(back.decimalComma);
        QCOMPARE(m.payeeCol, 1);
    }

    void aFileThatDoesNotReadAsAWholeKeepsTheWindowAndCancelRemembersNothing() {
        QString text = QStringLiteral("Date,Amount\n");
        for (int i = 1; i <= 20; ++i)
            text += QStringLiteral("2024-03-%1,1.00\n").arg(i, 2, 10, QLatin1Char('0'));
        text += QStringLiteral("2024-03-99,1.00\n"); // below the lines shown
        CsvMapping m = GuessCsvMapping(text.left(text.lastIndexOf(QStringLiteral("2024-03-99"))));
        bool stayed = false;
        WhenModal([&](QWidget* w) {
            QTest::keyClick(w, Qt::Key_Enter);
            stayed = w->isVisible();
            QTest::keyClick(w, Qt::Key_Escape);
        });
        QVERIFY(!ChooseCsvMapping(core, 8, QStringLiteral("march.csv"), text, m));
        QVERIFY(stayed);
        QCOMPARE(prompter.messages().value(0),
                 QStringLiteral("march.csv, line 22: date \"2024-03-99\" does not read as yyyy-MM-dd"));
        CsvMapping back;
        QVERIFY(!LoadCsvMapping(SettingsPath(dir.path()), 8, back));
    }
};

QTEST_MAIN(TFCsvMapTest)
#include "TFCsvMapTest.moc"
