// The search dialog and results window: a text search typed in the dialog,
// the journal reopening at the date it was closed on, and Refresh keeping a
// counterparty/category listing's own condition.
#include "forms/search/TFSearch.h"
#include "ModalDriver.h"
#include "data/Core.h"
#include "data/Tables.h"
#include "forms/Screens.h"
#include "ledger/Objects.h"
#include "ledger/Transactions.h"
#include "support/WindowLedger.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QtTest>

class TFSearchTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowLedger> m_ledger;
    TFCore* m_core = nullptr;
    int bank = 0, shop = 0, food = 0, groceries = 0, fuel = 0;

    int pay(const CalDate& d, const QString& narrative, int ctgy) {
        return m_ledger->pay(500, d, bank, shop, food, ctgy, narrative);
    }

private Q_SLOTS:
    void init() {
        m_ledger = std::make_unique<WindowLedger>();
        QVERIFY(m_ledger->open());
        m_core = &m_ledger->core;
        bank = m_ledger->addObj(otExtAcc, QStringLiteral("Bank"));
        shop = m_ledger->addObj(otCpty, QStringLiteral("Shop"));
        food = m_ledger->addObj(otPot, QStringLiteral("Food"));
        groceries = m_ledger->addObj(otCtgy, QStringLiteral("Groceries"));
        fuel = m_ledger->addObj(otCtgy, QStringLiteral("Fuel"));
    }
    void cleanup() {
        CloseModals();
        for (QWidget* w : QApplication::topLevelWidgets())
            w->close();
        m_ledger.reset();
    }

    void textSearchTypedInTheDialog() {
        pay(MakeDate(2024, 2, 1), QStringLiteral("Weekly SHOP"), groceries);
        pay(MakeDate(2024, 2, 2), QStringLiteral("diesel"), fuel);
        OpenSearch(*m_core);
        TFSearch& dialog = FSearch(*m_core);
        QVERIFY(dialog.isVisible());
        QTest::mouseClick(dialog.TextRdio, Qt::LeftButton);
        QTest::keyClicks(dialog.SearchBox, QStringLiteral("shop"));
        QTest::keyClick(dialog.SearchBox, Qt::Key_Return);
        TFSearchR& results = FSearchR(*m_core);
        QVERIFY(results.isVisible());
        QVERIFY(!dialog.isVisible());
        QCOMPARE(results.windowTitle(), QStringLiteral("Transaction search results  :  \"shop\""));
        QCOMPARE(results.Model->rowCount(), 1);
        QCOMPARE(results.CountLbl->text(), QStringLiteral("1 item(s)  "));
    }

    void journalReopensWhereItWasClosed() {
        pay(MakeDate(2024, 1, 10), QStringLiteral("a"), groceries);
        const int may = pay(MakeDate(2024, 5, 3), QStringLiteral("b"), groceries);
        pay(MakeDate(2024, 5, 3), QStringLiteral("c"), groceries);
        pay(MakeDate(2024, 6, 1), QStringLiteral("d"), groceries);
        Journal(*m_core);
        TFSearchR& results = FSearchR(*m_core);
        QCOMPARE(results.Model->rowCount(), 4);
        QCOMPARE(results.CurrentId(), results.Model->rows().back().Id); // no jump date yet: last row
        QVERIFY(results.JumpItem->isEnabled());
        results.Grid->setCurrentIndex(results.Model->index(2, 0)); // the second of 2024-05-03
        results.CloseItem->trigger();
        QVERIFY(!results.isVisible());
        Journal(*m_core);
        QCOMPARE(results.CurrentId(), may); // the first transaction of that date
    }

    void refreshKeepsTheCounterpartyCategoryCondition() {
        const int first = pay(MakeDate(2024, 3, 1), QStringLiteral("x"), fuel);
        pay(MakeDate(2024, 3, 2), QStringLiteral("y"), groceries);
        ListCounterpartyCategory(*m_core, shop, fuel);
        TFSearchR& results = FSearchR(*m_core);
        QCOMPARE(results.Model->rowCount(), 1);
        const int later = pay(MakeDate(2024, 3, 3), QStringLiteral("z"), fuel);
        results.Grid->setCurrentIndex(results.Model->index(0, 0));
        results.RefreshItem->trigger();
        QCOMPARE(results.Model->rowCount(), 2);
        QCOMPARE(results.Model->rows()[1].Id, later);
        QCOMPARE(results.CurrentId(), first);
        QCOMPARE(results.windowTitle(),
                 QStringLiteral("Transaction search results  :  Counterparty/Category = %1 / %2").arg(shop).arg(fuel));
    }
};

QTEST_MAIN(TFSearchTest)
#include "TFSearchTest.moc"
