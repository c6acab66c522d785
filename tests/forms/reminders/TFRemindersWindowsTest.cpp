// The reminders window at start-up, the diary's Add, and the repeater list's
// filter and Delete, driven through their widgets.
#include "ModalDriver.h"
#include "data/Core.h"
#include "data/Tables.h"
#include "forms/reminders/TFDiary.h"
#include "forms/reminders/TFRemdrs.h"
#include "forms/reminders/TFRptrs.h"
#include "ledger/Objects.h"
#include "ledger/Repeaters.h"
#include "ledger/Transactions.h"
#include "support/WindowLedger.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

class TFRemindersWindowsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowLedger> m_ledger;
    TFCore* m_core = nullptr;
    ScriptedPrompter* m_prompter = nullptr;

private Q_SLOTS:
    void init() {
        m_ledger = std::make_unique<WindowLedger>();
        QVERIFY(m_ledger->open());
        m_core = &m_ledger->core;
        m_prompter = &m_ledger->prompter;
    }
    void cleanup() {
        CloseModals();
        for (QWidget* w : QApplication::topLevelWidgets())
            w->hide();
        m_ledger.reset();
    }

    void startUpShowsDueRemindersWithoutDanglingOnes() {
        TFRemdrs remdrs(*m_core);
        remdrs.StartUp();
        QVERIFY(!remdrs.isVisible()); // nothing due: stays hidden

        const int bank = m_ledger->addObj(otExtAcc, QStringLiteral("Bank"));
        TxnRec t;
        InitTxnRec(t);
        t.Type = 'P';
        t.Amt = 100;
        t.Txndate = MakeDate(2024, 6, 16);
        t.Accid1 = bank;
        QVERIFY(AddTxn(*m_core, t) && MakePostings(*m_core, t));
        t.Rpt.Rmdays = 2;
        QVERIFY(AddInstanceReminder(*m_core, t));
        TxnRec gone = t;
        gone.Id = 0;
        QVERIFY(AddTxn(*m_core, gone) && MakePostings(*m_core, gone));
        QVERIFY(AddInstanceReminder(*m_core, gone));
        QVERIFY(DeleteTxnById(*m_core, gone.Id));

        remdrs.StartUp();
        QVERIFY(remdrs.isVisible());
        QCOMPARE(remdrs.Grid->rowCount(), 1);
        QCOMPARE(remdrs.Grid->item(0, 0)->text(), QStringLiteral("2024-06-14"));
        QCOMPARE(remdrs.Grid->item(0, 1)->text(), QStringLiteral("2024-06-16"));
        QCOMPARE(remdrs.FilterMenu->title(), QStringLiteral("FILTER"));
        remdrs.AllItem->trigger();
        QCOMPARE(remdrs.FilterMenu->title(), QStringLiteral("Filter"));
    }

    void diaryRefusesATextThatIsNoDate() {
        TFDiary diary(*m_core);
        diary.Show();
        QTest::keyClicks(diary.DateBox, QStringLiteral("2024-13-01"));
        QTest::keyClicks(diary.DescBox, QStringLiteral("Boiler serviced"));
        QTest::keyClick(diary.DescBox, Qt::Key_Return);
        QCOMPARE(m_prompter->messages().size(), 1);
        QVERIFY(m_prompter->messages().front().contains(QStringLiteral("Date box")));
        QVERIFY(diary.isVisible());
        QCOMPARE(diary.LastAddedId(), 0);

        diary.DateBox->clear();
        QTest::keyClicks(diary.DateBox, QStringLiteral("2024-05-04"));
        QTest::mouseClick(diary.AddBtn, Qt::LeftButton);
        QVERIFY(!diary.isVisible());
        TxnRec t;
        QVERIFY(ReadTxn(*m_core, diary.LastAddedId(), t));
        QCOMPARE(t.Type, 'D');
        QCOMPARE(t.Narrative, QStringLiteral("Boiler serviced"));
    }

    void repeaterListFilterAndDeleteOfLastRow() {
        for (int i = 0; i < 3; ++i) {
            RptrRec r;
            InitRptrRec(r);
            r.Freq = 'M';
            r.StartDate = MakeDate(2025, 1, 1 + i);
            r.RptActive = i != 1;
            r.Type = 'P';
            r.Amt = 100 * (i + 1);
            QVERIFY(WriteRepeater(*m_core, r));
        }
        TFRptrs list(*m_core);
        list.Show();
        QCOMPARE(list.Grid->rowCount(), 2); // active only
        QCOMPARE(list.FooterLbl->text(), QStringLiteral("2 items  "));
        list.AllItem->trigger();
        QCOMPARE(list.Grid->rowCount(), 3);
        QCOMPARE(list.FilterMenu->title(), QStringLiteral("Filter"));

        list.Grid->setCurrentCell(2, 0);
        m_prompter->expectQuestion(QStringLiteral("Delete Repeater with no instances - are you sure?"), 'Y');
        list.DeleteItem->trigger();
        QCOMPARE(list.Grid->rowCount(), 2);
        QCOMPARE(list.Grid->currentRow(), 1); // rests at the end of the list

        list.Grid->setCurrentCell(0, 0);
        m_prompter->expectQuestion(QStringLiteral("Delete Repeater with no instances - are you sure?"), 'Y');
        list.DeleteItem->trigger();
        QCOMPARE(list.CurrentId(), 2); // the row after the deleted one
        QVERIFY(m_prompter->allAnswered());
    }
};

QTEST_MAIN(TFRemindersWindowsTest)
#include "TFRemindersWindowsTest.moc"
