// The transaction display: what it shows for a payment, a transfer and a
// repeater instance, Repeat, and a missing id.
#include "forms/entry/Tfdptxn.h"

#include "ModalDriver.h"
#include "data/Core.h"
#include "data/Tables.h"
#include "forms/Screens.h"
#include "ledger/Database.h"
#include "ledger/Objects.h"
#include "ledger/Transactions.h"
#include "support/ScriptedPrompter.h"
#include "support/TempFolder.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

class TfdptxnTest : public QObject {
    Q_OBJECT

    // One ledger for the whole run: the display is one window for the run.
    struct Fixture {
        TempFolder program;
        ScriptedPrompter prompter;
        TFCore core{prompter};
        int bank = 0, card = 0, shop = 0, food = 0, fun = 0, groceries = 0;

        int add(int kind, const QString& name) {
            ObjRec r;
            InitObjRec(r);
            r.Type = kind;
            r.Name = name;
            AddObj(core, r);
            return r.Id;
        }
        int addTxn(char type, Amount amt, int a1, int a2, int a3, int a4, bool cancelled = false) {
            TxnRec t;
            InitTxnRec(t);
            t.Type = type;
            t.Amt = amt;
            t.Txndate = MakeDate(2024, 3, 1);
            t.Accid1 = a1;
            t.Accid2 = a2;
            t.Accid3 = a3;
            t.Accid4 = a4;
            t.Cancelled = cancelled;
            AddTxn(core, t);
            MakePostings(core, t);
            return t.Id;
        }
        Fixture() {
            core.setProgramFolder(program.path());
            SetDataFolder(core, program.path() + QStringLiteral("DATA/"));
            OpenDatabase(core);
            bank = add(otExtAcc, QStringLiteral("Bank"));
            card = add(otExtAcc, QStringLiteral("Card"));
            shop = add(otCpty, QStringLiteral("Shop"));
            food = add(otPot, QStringLiteral("Food"));
            fun = add(otPot, QStringLiteral("Fun"));
            groceries = add(otCtgy, QStringLiteral("Groceries"));
            prompter.clearRecorded();
        }
    };
    Fixture* f = nullptr;

    static Tfdptxn* Shown() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = dynamic_cast<Tfdptxn*>(w); d && d->isVisible())
                return d;
        return nullptr;
    }
    static QStringList RowTexts(const Tfdptxn* w) {
        return {w->AccAName->text(), w->AccBName->text(), w->AccCName->text(), w->AccDName->text()};
    }

private Q_SLOTS:
    void initTestCase() { f = new Fixture; }
    void cleanupTestCase() { delete f; }
    void cleanup() { CloseModals(); }

    void paymentAndTransferRows() {
        const int pay = f->addTxn('P', 1234, f->bank, f->shop, f->food, f->groceries, true);
        ShowTransaction(f->core, pay);
        Tfdptxn* w = Shown();
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QStringLiteral("Transaction details"));
        QCOMPARE(w->IdCapLbl->text(), QStringLiteral("Txn id "));
        QCOMPARE(w->IdLbl->text(), QString::number(pay));
        QCOMPARE(w->AmtLbl->text(), QStringLiteral("12.34   cancelled"));
        QCOMPARE(w->PstgDateLbl->text(), QString());
        QCOMPARE(RowTexts(w), (QStringList{"Bank", "Shop", "Groceries", "Food"}));
        QCOMPARE(w->RowCapLbl[3]->text(), QStringLiteral("Internal Account (FROM)"));
        QVERIFY(w->RptGrp->isHidden());
        QVERIFY(w->RepeatItem->isEnabled());

        const int tfr = f->addTxn('C', 500, f->bank, f->card, f->food, f->fun);
        ShowTransaction(f->core, tfr);
        QCOMPARE(RowTexts(w), (QStringList{"Bank", "Card", "Food", "Fun"}));
        QCOMPARE(w->RowCapLbl[2]->text(), QStringLiteral("Internal Account (FROM)"));
        QCOMPARE(w->RowCapLbl[3]->text(), QStringLiteral("Internal Account (TO)"));

        // A pot transfer fills two rows: the others hide their names and buttons.
        ShowTransaction(f->core, f->addTxn('G', 500, f->food, f->fun, 0, 0));
        QVERIFY(!w->AccCName->isVisibleTo(w));
        QVERIFY(!w->accCpstgsbtn->isVisibleTo(w));

        // A missing id is reported and leaves the window as it was.
        const QString before = w->IdLbl->text();
        ShowTransaction(f->core, 9999);
        QCOMPARE(f->prompter.messages().back(), QStringLiteral("txn not found 9999"));
        QCOMPARE(w->IdLbl->text(), before);
    }

    void instanceShowsItsRepeatGroup() {
        TxnRec t;
        InitTxnRec(t);
        t.Id = 123;
        t.Masterid = 45;
        t.Instance = 6;
        t.Role = roleInstance;
        t.Type = 'R';
        t.Txndate = MakeDate(2024, 3, 1);
        t.Accid1 = f->bank;
        t.Accid2 = f->shop;
        t.Accid3 = f->food;
        t.Accid4 = f->groceries;
        t.Rpt.Freq = 'W';
        t.Rpt.Rptinc = 2;
        ShowTxnRecord(f->core, t);
        Tfdptxn* w = Shown();
        QVERIFY(w);
        QCOMPARE(w->IdCapLbl->text(), QStringLiteral("Txn / Instance id "));
        QCOMPARE(w->IdLbl->text(), QStringLiteral("123 / 45-6"));
        QVERIFY(w->RptGrp->isVisibleTo(w));
        QCOMPARE(w->RptLbl->text(), QStringLiteral("Every 2 weeks"));
        QCOMPARE(w->RmLbl->text(), QStringLiteral("none"));
        QCOMPARE(w->RowCapLbl[3]->text(), QStringLiteral("Internal Account (TO)"));
        QVERIFY(!w->RepeatItem->isEnabled());
    }

    void repeatMakesTheTransactionInstanceOne() {
        const int pay = f->addTxn('P', 700, f->bank, f->shop, f->food, f->groceries);
        ShowTransaction(f->core, pay);
        Tfdptxn* w = Shown();
        QVERIFY(w);
        f->prompter.expectQuestion(QStringLiteral("Make transaction a repeater?"), 'Y');
        w->RepeatItem->trigger();
        QCOMPARE(w->IdCapLbl->text(), QStringLiteral("Txn / Instance id "));
        QVERIFY(w->IdLbl->text().startsWith(QString::number(pay) + QStringLiteral(" / ")));
        QVERIFY(w->IdLbl->text().endsWith(QStringLiteral("-1")));
        QCOMPARE(w->RptLbl->text(), QStringLiteral("Every month"));
        QVERIFY(!w->RepeatItem->isEnabled());
        QTest::keyClick(w, Qt::Key_Escape);
        QVERIFY(!w->isVisible());
    }
};

QTEST_MAIN(TfdptxnTest)
#include "TfdptxnTest.moc"
