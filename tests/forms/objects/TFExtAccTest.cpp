// The object editors driven through their controls: New mode starting from
// the cleared record, the opening balance through the pot, a duplicate name
// typed in another letter case, and the counterparty type rule.
#include "forms/objects/TFExtAcc.h"
#include "ModalDriver.h"
#include "data/Core.h"
#include "data/Tables.h"
#include "forms/objects/TFCpty.h"
#include "ledger/LedgerState.h"
#include "support/ScriptedPrompter.h"
#include "support/TempFolder.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class TFExtAccTest : public QObject {
    Q_OBJECT

    TempFolder m_dir;
    ScriptedPrompter m_prompter;
    TFCore m_core{m_prompter};

    int add(int kind, const QString& name, Amount bfd = 0) {
        ObjRec r;
        InitObjRec(r);
        r.Type = kind;
        r.Name = name;
        r.BfdBal = bfd;
        r.CloseDate = IntToCal(kNotClosed);
        AddObj(m_core, r);
        return r.Id;
    }
    ObjRec read(int id) {
        ObjRec r;
        ReadObj(m_core, id, r);
        return r;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(OpenLedgerStore(m_core.store(), m_dir.path(), true));
        m_core.settings().Today = MakeDate(2024, 6, 15);
    }
    void cleanup() {
        CloseModals();
        QVERIFY(m_prompter.allAnswered());
        m_prompter.clearRecorded();
    }

    void newModeStartsFromTheClearedRecord() {
        const int bank = add(otCpty, QStringLiteral("Lender"));
        ObjRec acc = read(add(otExtAcc, QStringLiteral("Loan")));
        acc.AllowPosBal = false;
        acc.AllowZeroBal = false;
        acc.AccWith = bank;
        QVERIFY(WriteObj(m_core, acc));
        TFExtAcc ext(m_core);
        ext.StartEdit(acc);
        QCOMPARE(ext.ProvBox->text(), QStringLiteral("Lender"));
        QVERIFY(!ext.PosChk->isChecked());
        ext.StartNew(otExtAcc, QStringLiteral("Wallet"));
        QCOMPARE(ext.IdLbl->text(), QStringLiteral("New Account"));
        QCOMPARE(ext.NameBox->text(), QStringLiteral("Wallet"));
        QVERIFY(ext.ProvBox->text().isEmpty());
        QVERIFY(ext.NegChk->isChecked() && ext.ZeroChk->isChecked() && ext.PosChk->isChecked());
        QCOMPARE(ext.OKBtn->text(), QStringLiteral("Insert"));

        ObjRec payee = read(add(otCpty, QStringLiteral("Grocer")));
        payee.CptyRcvs = true;
        payee.DmtLock = true;
        QVERIFY(WriteObj(m_core, payee));
        TFCpty cpty(m_core);
        cpty.StartEdit(payee);
        QVERIFY(cpty.PayeeChk->isChecked());
        QCOMPARE(cpty.windowTitle(), QStringLiteral("Counterparty details - Edit"));
        cpty.StartNew(otCpty, QString());
        QVERIFY(!cpty.PayeeChk->isChecked() && !cpty.PayerChk->isChecked() && !cpty.DmtLockChk->isChecked());
        QCOMPARE(cpty.windowTitle(), QStringLiteral("Counterparty details - New"));
    }

    void openingBalanceTypedMovesThePot() {
        const int pot = add(otPot, QStringLiteral("Opening balances"));
        Ledger(m_core).openingBalPot = read(pot);
        const int acc = add(otExtAcc, QStringLiteral("Current"), 10000);
        TFExtAcc ext(m_core);
        ext.StartEdit(read(acc));
        QCOMPARE(ext.OpeningBox->text(), QStringLiteral("100.00"));
        ext.OpeningBox->clear();
        QTest::keyClicks(ext.OpeningBox, QStringLiteral("150.00"));
        m_prompter.expectQuestion(QStringLiteral("The change to opening balance must be posted to a pot :  OK to use "
                                                 "\"Opening balances\" for this ?"),
                                  'Y');
        ext.OKBtn->click();
        QCOMPARE(ext.result(), int(QDialog::Accepted));
        QCOMPARE(read(acc).BfdBal, 15000);
        QCOMPARE(read(pot).BfdBal, 5000);
        QCOMPARE(Ledger(m_core).pickedObj.Id, acc);

        // Text that is no amount is refused and nothing changes.
        ext.StartEdit(read(acc));
        ext.OpeningBox->setText(QStringLiteral("1x"));
        ext.OKBtn->click();
        QCOMPARE(m_prompter.messages().value(0), QStringLiteral("Invalid b/fd balance"));
        QCOMPARE(read(pot).BfdBal, 5000);
    }

    void duplicateNameInAnotherCaseIsRefused() {
        add(otExtAcc, QStringLiteral("Petty Cash"));
        TFExtAcc ext(m_core);
        ext.StartNew(otExtAcc, QString());
        QTest::keyClicks(ext.NameBox, QStringLiteral("PETTY cash"));
        ext.setResult(QDialog::Rejected);
        ext.OKBtn->click();
        QCOMPARE(m_prompter.messages(), QStringList{QStringLiteral("External Account \"Petty Cash\" already exists")});
        QCOMPARE(ext.result(), int(QDialog::Rejected));
        QCOMPARE(ext.NameBox->text(), QStringLiteral("PETTY cash")); // the input stays for correcting
    }

    void counterpartyNeedsAType() {
        TFCpty cpty(m_core);
        cpty.StartNew(otCpty, QStringLiteral("Window cleaner"));
        cpty.OKBtn->click();
        QCOMPARE(m_prompter.messages(),
                 QStringList{QStringLiteral("Counterparty must be a payer or a payee (or both)")});
        QCOMPARE(cpty.Record().Id, 0);
        QTest::mouseClick(cpty.PayeeChk, Qt::LeftButton, {}, QPoint(5, cpty.PayeeChk->height() / 2));
        cpty.OKBtn->click();
        QVERIFY(cpty.Record().Id > 0);
        const ObjRec stored = read(cpty.Record().Id);
        QVERIFY(stored.CptyRcvs && !stored.CptyPays);
    }
};

QTEST_MAIN(TFExtAccTest)
#include "TFExtAccTest.moc"
