// The check window: caption by mode, the log and its scroll bar, the strip's
// colours and the "Cancel"/"Close" caption during and after a run, Cancel
// stopping a run, the repair question and Close.
#include "forms/TFRpr.h"

#include "ModalDriver.h"
#include "support/WindowLedger.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

class TFRprTest : public QObject {
    Q_OBJECT

    // A ledger with one payment; the program folder is its data folder.
    struct Fixture : WindowLedger {
        int payId = 0, category = 0;
        bool ready = false; // every step of the setup succeeded

        Fixture() {
            if (!open())
                return;
            core.setProgramFolder(dir.path());
            const int bank = addObj(otExtAcc, QStringLiteral("Bank"));
            const int shop = addObj(otCpty, QStringLiteral("Shop"));
            const int pot = addObj(otPot, QStringLiteral("Food"));
            category = addObj(otCtgy, QStringLiteral("Groceries"));
            payId = pay(1234, MakeDate(2024, 3, 1), bank, shop, pot, category);
            ready = bank && shop && pot && category && payId;
            prompter.clearRecorded();
        }
        bool damage() {
            return core.store().exec(
                QStringLiteral("UPDATE pstg SET Amt = 1 WHERE Txnid = %1 AND Objid = %2").arg(payId).arg(category));
        }
    };

    static QStringList Lines(const TFRpr& w) { return w.LogMemo->toPlainText().split(QLatin1Char('\n')); }
    static QColor Strip(const TFRpr& w) { return w.ProgressPanel->palette().color(QPalette::Window); }

private Q_SLOTS:
    void cleanup() { CloseModals(); }

    void checkRunShowsTheLogAndEndsClosed() {
        Fixture f;
        QVERIFY(f.ready);
        TFRpr w(f.core);
        QVERIFY(!w.isVisible());
        QCOMPARE(w.CloseItem->text(), QStringLiteral("Close"));

        // What the window shows while the run lasts.
        QString captionDuring, itemDuring;
        QColor stripDuring;
        QTimer::singleShot(0, &w, [&] {
            captionDuring = w.windowTitle();
            itemDuring = w.CloseItem->text();
            stripDuring = Strip(w);
        });
        w.RunCheck();
        QCOMPARE(captionDuring, QStringLiteral("Database Check"));
        QCOMPARE(itemDuring, QStringLiteral("Cancel"));
        QCOMPARE(stripDuring, QColor(128, 255, 255));

        QVERIFY(w.isVisible());
        QVERIFY(!w.isModal());
        QCOMPARE(Lines(w).value(0), QStringLiteral("Database path = ") + f.core.dataFolder());
        QCOMPARE(Lines(w).back(), QStringLiteral("All scans complete OK"));
        QCOMPARE(Lines(w), w.Check().Log());
        QCOMPARE(w.CloseItem->text(), QStringLiteral("Close"));
        QCOMPARE(Strip(w), QColor(192, 192, 192));
        QCOMPARE(w.ProgressPanel->text(), QString());

        w.CloseItem->trigger();
        QVERIFY(!w.isVisible());
    }

    void cancelStopsTheRun() {
        Fixture f;
        QVERIFY(f.ready);
        TFRpr w(f.core);
        bool closedDuring = true;
        QTimer::singleShot(0, &w, [&] {
            w.CloseItem->trigger(); // reads "Cancel" now
            QCOMPARE(w.CloseItem->text(), QStringLiteral("Close"));
            closedDuring = !w.isVisible();
        });
        w.RunCheck();
        QVERIFY(!closedDuring); // Cancel stops the run; it does not close the window
        QCOMPARE(Lines(w).back(), QStringLiteral("Scan aborted"));
        QVERIFY(w.isVisible());
        w.close();
        QVERIFY(!w.isVisible());
    }

    void repairAsksFirstThenRecheckIsClean() {
        Fixture f;
        QVERIFY(f.ready);
        QVERIFY(f.damage());
        TFRpr w(f.core);
        w.RunCheck();
        const QString found = QStringLiteral("Error (can auto-repair) : Txn %1 / acc %2 : posting amount error")
                                  .arg(f.payId)
                                  .arg(f.category);
        QVERIFY(Lines(w).contains(found));
        QVERIFY(Lines(w).contains(QStringLiteral("1 repairable error(s) found")));

        f.prompter.expectQuestion(QStringLiteral("OK to Repair now?"), 'N');
        const QStringList before = Lines(w);
        w.RepairItem->trigger();
        QCOMPARE(Lines(w), before);
        QCOMPARE(w.windowTitle(), QStringLiteral("Database Check"));

        f.prompter.expectQuestion(QStringLiteral("OK to Repair now?"), 'Y');
        w.RepairItem->trigger();
        QCOMPARE(w.windowTitle(), QStringLiteral("Database Repair"));
        QVERIFY(Lines(w).contains(found));
        QVERIFY(Lines(w).contains(
            QStringLiteral("1 error(s) repaired - run \"Recheck\" to confirm, further errors may be found")));

        w.RecheckItem->trigger();
        QCOMPARE(w.windowTitle(), QStringLiteral("Database Check"));
        QCOMPARE(Lines(w).back(), QStringLiteral("All scans complete OK"));
        QVERIFY(f.prompter.allAnswered());
        QCOMPARE(f.prompter.mismatches(), QStringList());
    }
};

QTEST_MAIN(TFRprTest)
#include "TFRprTest.moc"
