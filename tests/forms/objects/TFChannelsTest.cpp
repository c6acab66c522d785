// The channel windows: the automatic default choice, choosing from the list,
// and the details window's states with its delete refusal.
#include "forms/objects/TFChannels.h"
#include "ModalDriver.h"
#include "data/Core.h"
#include "data/Tables.h"
#include "forms/Screens.h"
#include "forms/objects/TFChDets.h"
#include "ledger/Channels.h"
#include "ledger/LedgerState.h"
#include "ledger/Transactions.h"
#include "support/ScriptedPrompter.h"
#include "support/TempFolder.h"

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

class TFChannelsTest : public QObject {
    Q_OBJECT

    TempFolder m_dir;
    ScriptedPrompter m_prompter;
    TFCore m_core{m_prompter};

    ObjRec account(const QString& name) {
        ObjRec r;
        InitObjRec(r);
        r.Type = otExtAcc;
        r.Name = name;
        r.CloseDate = IntToCal(kNotClosed);
        AddObj(m_core, r);
        return r;
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(OpenLedgerStore(m_core.store(), m_dir.path(), true)); }
    void cleanup() {
        CloseModals();
        QVERIFY(m_prompter.allAnswered());
        m_prompter.clearRecorded();
    }

    void chooseTakesTheDefaultOrTheSelectedChannel() {
        const ObjRec acc = account(QStringLiteral("Current"));
        TFChannels ch(m_core);
        ChannelRec result{9, QStringLiteral("before"), 9};
        // Automatic and no channels: no window, the default channel.
        QVERIFY(ch.Choose(acc, result));
        QCOMPARE(result.Chnum, 0);
        QCOMPARE(result.AccId, acc.Id);
        // Not automatic: the empty window shows; Cancel keeps the caller's record.
        ch.automaticChoice = false;
        result = ChannelRec{9, QStringLiteral("before"), 9};
        WhenModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
        QVERIFY(!ch.Choose(acc, result));
        QCOMPARE(result.Chnum, 9);
        QVERIFY(ch.automaticChoice);

        ChannelRow dd{0, acc.Id, QStringLiteral("Direct Debit")};
        ChannelRow card{0, acc.Id, QStringLiteral("Card")};
        QVERIFY(WriteChannel(m_core, dd) && WriteChannel(m_core, card));
        WhenModal([&ch](QWidget*) {
            QCOMPARE(ch.ChList->count(), 2);
            QCOMPARE(ch.ChList->item(0)->text(), QStringLiteral("Card")); // by name
            ch.ChList->setCurrentRow(1);
            QTest::keyClick(ch.ChList, Qt::Key_Return);
        });
        QVERIFY(ch.Choose(acc, result));
        QCOMPARE(result.Chnum, dd.Chnum);
        QCOMPARE(result.ChName, QStringLiteral("Direct Debit"));
    }

    void detailsStatesAndDeleteRefusal() {
        const ObjRec acc = account(QStringLiteral("Savings"));
        TFChDets dets(m_core);
        QVERIFY(dets.LoadNew(acc.Id));
        QCOMPARE(dets.AccBox->text(), QStringLiteral("Savings"));
        QVERIFY(!dets.EditItem->isEnabled());
        QTest::keyClicks(dets.NameBox, QStringLiteral("Cheque"));
        dets.OKBtn->click();
        const int chnum = dets.Chnum();
        ChannelRec rec;
        QVERIFY(ReadChannel(m_core, chnum, rec));
        QCOMPARE(rec.ChName, QStringLiteral("Cheque"));

        // Edit, then Cancel: back to display with the stored values.
        QVERIFY(dets.LoadChannel(chnum));
        QVERIFY(!dets.OKBtn->isEnabled());
        dets.EditItem->trigger();
        QVERIFY(dets.NameBox->isEnabled());
        dets.NameBox->setText(QStringLiteral("Changed"));
        dets.CancelBtn->click();
        QCOMPARE(dets.State(), 'D');
        QCOMPARE(dets.NameBox->text(), QStringLiteral("Cheque"));
        QCOMPARE(Ledger(m_core).entryMode, 'D');

        // A transaction on the channel stops the delete.
        TxnRec t;
        InitTxnRec(t);
        t.Type = 'C';
        t.Txndate = MakeDate(2024, 2, 1);
        t.Accid1 = acc.Id;
        t.chnum = chnum;
        QVERIFY(AddTxn(m_core, t));
        m_prompter.expectQuestion(QStringLiteral("Delete channel?"), 'Y');
        dets.DeleteItem->trigger();
        QCOMPARE(m_prompter.messages(), QStringList{QStringLiteral("Channel has transaction(s) - cannot delete")});
        QVERIFY(ReadChannel(m_core, chnum, rec));

        m_prompter.clearRecorded();
        QVERIFY(!dets.LoadChannel(999));
        QCOMPARE(m_prompter.messages(), QStringList{QStringLiteral("Channel 999 not found")});
    }
};

QTEST_MAIN(TFChannelsTest)
#include "TFChannelsTest.moc"
