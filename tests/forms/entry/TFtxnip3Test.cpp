// The transaction entry form driven as a user drives it: choosing accounts by
// clicking their boxes (the choosers answered by the test), the date ticks,
// the sign button, the Cashback page, New from the last transaction, and an
// edit answered No.
#include "forms/entry/TFtxnip3.h"

#include "ModalDriver.h"
#include "data/Core.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "forms/Screens.h"
#include "ledger/LedgerState.h"
#include "ledger/Objects.h"
#include "support/ScriptedPrompter.h"
#include "support/TempFolder.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QtTest>

#include <map>
#include <memory>

class TFtxnip3Test : public QObject {
    Q_OBJECT

    struct Fixture {
        TempFolder dir;
        ScriptedPrompter prompter;
        TFCore core{prompter};
        std::unique_ptr<TFtxnip3> form;
        std::map<int, int> answer; // kind -> object id the picker hands back
        QList<int> picked;         // kinds asked of the picker, in order
        int preferred = 0;         // what the counterparty categories window gives
        int bank = 0, cash = 0, shop = 0, food = 0, fun = 0, groceries = 0;

        Fixture() {
            OpenLedgerStore(core.store(), dir.path(), true, kCurrentSchema);
            core.setDataFolder(dir.path());
            Settings& s = core.settings();
            s.Today = MakeDate(2024, 6, 15);
            s.BalFrom = MakeDate(2024, 1, 1);
            s.BalAt = MakeDate(2024, 6, 30);
            s.RecomputeDerived();
            bank = add(otExtAcc, "Bank");
            cash = add(otExtAcc, "Cash");
            shop = add(otCpty, "Shop");
            food = add(otPot, "Food");
            fun = add(otPot, "Fun");
            groceries = add(otCtgy, "Groceries", food);
            answer = {{otExtAcc, bank}, {otCpty, shop}, {otPot, food}, {otCtgy, groceries}};
            EntryChoosers& c = EntryTestChoosers();
            c.pick = [this](int kind) {
                picked << kind;
                return answer[kind] > 0 && ReadObj(core, answer[kind], PickedObj(core));
            };
            c.channel = [](const ObjRec&, bool) { return false; };
            c.category = [this](int, char, bool) { return preferred; };
            form = std::make_unique<TFtxnip3>(core);
        }
        ~Fixture() { EntryTestChoosers() = EntryChoosers(); }

        int add(int kind, const char* name, int potType = 0) {
            ObjRec r;
            InitObjRec(r);
            r.Type = kind;
            r.Name = QString::fromLatin1(name);
            r.CloseDate = IntToCal(kNotClosed);
            r.PotType = potType;
            AddObj(core, r);
            return r.Id;
        }
        TxnRec txn(int id) {
            TxnRec t;
            ReadTxn(core, id, t);
            return t;
        }
        void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
        void type(QLineEdit* box, const QString& text) {
            box->clear();
            QTest::keyClicks(box, text);
        }
        // Chooses the external account and the counterparty by clicking.
        void chooseAccounts() {
            click(form->AccAbox);
            click(form->AccBbox);
        }
    };

private Q_SLOTS:
    void cleanup() { CloseModals(); }

    // The first New opens on today; the counterparty with one preferred
    // category fills it (and its default pot) without the category picker;
    // the next New starts from the transaction added, with the Amount blank.
    void newStartsFromTheLastTransactionAdded() {
        Fixture f;
        f.preferred = f.groceries;
        WhenModal([&](QWidget*) {
            QCOMPARE(f.form->DateLbl->text(), QStringLiteral("2024-06-15"));
            QCOMPARE(f.form->TxnDateBox->text(), QStringLiteral("2024-06-15"));
            f.chooseAccounts();
            QCOMPARE(f.picked, (QList<int>{otExtAcc, otCpty}));
            QCOMPARE(f.form->AccCbox->text(), QStringLiteral("Groceries"));
            QCOMPARE(f.form->AccDbox->text(), QStringLiteral("Food"));
            f.type(f.form->TxnDateBox, QStringLiteral("2020-03-14"));
            f.type(f.form->AmtBox, QStringLiteral("12.34"));
            f.type(f.form->refbox, QStringLiteral("REF1"));
            f.click(f.form->OKBtn);
        });
        int id = 0;
        QVERIFY(f.form->NewTransaction(id));
        QCOMPARE(id, 1);
        const TxnRec t = f.txn(1);
        QCOMPARE(t.Type, 'P');
        QCOMPARE(t.Amt, 1234);
        QCOMPARE(CalToDateStr(t.Txndate), QStringLiteral("2020-03-14"));
        QCOMPARE(t.Accid3, f.food);

        f.preferred = 0;
        f.picked.clear();
        WhenModal([&](QWidget*) {
            QCOMPARE(f.form->DateLbl->text(), QStringLiteral("2020-03-14"));
            QVERIFY(f.form->AmtBox->text().isEmpty());
            QCOMPARE(f.form->AccAbox->text(), QStringLiteral("Bank"));
            QCOMPARE(f.form->refbox->text(), QStringLiteral("REF1"));
            QVERIFY(f.form->PaytRdio->isChecked());
            // Without a preferred category the category picker opens.
            f.click(f.form->AccBbox);
            QCOMPARE(f.picked, (QList<int>{otCpty, otCtgy}));
            QTest::keyClick(f.form.get(), Qt::Key_Escape);
        });
        QVERIFY(!f.form->NewTransaction(id));
        QCOMPARE(id, 0);
        // The category's default pot was already the internal account: the
        // default is forgotten (the next Add sets it again).
        ObjRec ctgy;
        QVERIFY(ReadObj(f.core, f.groceries, ctgy));
        QCOMPARE(ctgy.PotType, 0);
        QCOMPARE(f.form->LastTxn().Id, 1);
    }

    // Posting date only: both dates are the posting date and no actual date;
    // the sign button drops the minus and turns the payment into a receipt.
    void postingDateAndSignButton() {
        Fixture f;
        f.preferred = f.groceries;
        WhenModal([&](QWidget*) {
            f.chooseAccounts();
            f.click(f.form->CheckBox1);
            QVERIFY(f.form->TxnDateBox->text().isEmpty());
            f.click(f.form->CheckBox2);
            QCOMPARE(f.form->PstgDateBox->text(), QStringLiteral("2024-06-15"));
            f.click(f.form->PstgNextBtn);
            f.type(f.form->AmtBox, QStringLiteral("-7.50"));
            f.click(f.form->plusminusbtn);
            QCOMPARE(f.form->AmtBox->text(), QStringLiteral("7.50"));
            QVERIFY(f.form->RcptRdio->isChecked());
            QVERIFY(!f.form->Pages->isTabVisible(f.form->Pages->indexOf(f.form->CashbackPage)));
            f.click(f.form->OKBtn);
        });
        int id = 0;
        QVERIFY(f.form->NewTransaction(id));
        QCOMPARE(f.prompter.notices(), QStringList{QStringLiteral("Transaction is now a Receipt")});
        const TxnRec t = f.txn(id);
        QCOMPARE(t.Type, 'R');
        QCOMPARE(t.Amt, 750);
        QCOMPARE(CalToDateStr(t.Txndate), QStringLiteral("2024-06-16"));
        QCOMPARE(CalToDateStr(t.Date2), QStringLiteral("2024-06-16"));
        QVERIFY(IsNullDate(t.ActualDate));
    }

    // A transfer between pots only: the external rows go, the sign button
    // swaps the pots, and the stored transfer has no external side.
    void internalOnlyTransfer() {
        Fixture f;
        WhenModal([&](QWidget*) {
            f.click(f.form->TfrRdio);
            QVERIFY(f.form->ExtChk->isChecked());
            f.click(f.form->IntChk);
            f.click(f.form->ExtChk);
            QVERIFY(f.form->AccAbox->isHidden());
            QCOMPARE(f.form->AccCLbl->text(), QStringLiteral("Internal acc - from "));
            f.click(f.form->AccCbox);
            f.answer[otPot] = f.fun;
            f.click(f.form->AccDbox);
            f.click(f.form->plusminusbtn);
            QCOMPARE(f.form->AccCbox->text(), QStringLiteral("Fun"));
            f.type(f.form->AmtBox, QStringLiteral("3.00"));
            f.click(f.form->OKBtn);
        });
        int id = 0;
        QVERIFY(f.form->NewTransaction(id));
        QCOMPARE(f.prompter.notices(), QStringList{QStringLiteral("From & To accounts switched")});
        const TxnRec t = f.txn(id);
        QCOMPARE(t.Type, 'C');
        QCOMPARE(t.Accid1, 0);
        QCOMPARE(t.Accid2, 0);
        QCOMPARE(t.Accid3, f.fun);
        QCOMPARE(t.Accid4, f.food);
    }

    // Ticking Cashback with no cash account opens the chooser at once; -5.00
    // adds a payment of 5.00 from the cash account.
    void cashbackPage() {
        Fixture f;
        f.preferred = f.groceries;
        WhenModal([&](QWidget*) {
            f.chooseAccounts();
            f.type(f.form->AmtBox, QStringLiteral("20.00"));
            f.form->Pages->setCurrentWidget(f.form->CashbackPage);
            f.answer[otExtAcc] = f.cash;
            QTest::keyClick(f.form->CBChk, Qt::Key_Space);
            QCOMPARE(f.form->CBAccBox->text(), QStringLiteral("Cash"));
            f.type(f.form->CBAmtBox, QStringLiteral("-5.00"));
            f.click(f.form->OKBtn);
        });
        int id = 0;
        QVERIFY(f.form->NewTransaction(id));
        QCOMPARE(f.core.settings().CashbackAccId, f.cash);
        const TxnRec cb = f.txn(id + 1);
        QCOMPARE(cb.Type, 'P');
        QCOMPARE(cb.Amt, 500);
        QCOMPARE(cb.Accid1, f.cash);
        QCOMPARE(cb.Ref, QStringLiteral("Cashback"));
    }

    // No to "Update existing txn - OK?" leaves the form open and the ledger as
    // it was; the New operations refuse while the form is showing.
    void editAnsweredNoChangesNothing() {
        Fixture f;
        f.preferred = f.groceries;
        WhenModal([&](QWidget*) {
            f.chooseAccounts();
            f.type(f.form->AmtBox, QStringLiteral("10.00"));
            f.click(f.form->OKBtn);
        });
        int id = 0;
        QVERIFY(f.form->NewTransaction(id));
        TxnRec stored = f.txn(id);

        f.prompter.expectQuestion(QStringLiteral("Update existing txn - OK?"), 'N');
        WhenModal([&](QWidget*) {
            QCOMPARE(f.form->OKBtn->text(), QStringLiteral("Update"));
            f.type(f.form->AmtBox, QStringLiteral("99.00"));
            f.click(f.form->OKBtn);
            QVERIFY(f.form->isVisible());
            int other = 0;
            QVERIFY(!f.form->NewTransaction(other));
            QCOMPARE(f.prompter.messages().back(), QStringLiteral("Cannot edit - Transaction form already in use"));
            f.click(f.form->CancelBtn);
        });
        QVERIFY(!f.form->EditRecord(stored));
        QCOMPARE(f.txn(id).Amt, 1000);
        QVERIFY(f.prompter.allAnswered());
    }
};

QTEST_MAIN(TFtxnip3Test)
#include "TFtxnip3Test.moc"
