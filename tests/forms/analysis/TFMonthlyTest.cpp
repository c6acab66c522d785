// The analysis window: opened from its start dialog, a group row drilled
// into and back, expanded in place, and the chart following the row.
#include "forms/analysis/TFMonthly.h"
#include "ModalDriver.h"
#include "data/Core.h"
#include "data/Tables.h"
#include "forms/analysis/TFanlsys.h"
#include "ledger/Objects.h"
#include "ledger/Transactions.h"
#include "support/WindowLedger.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QtTest>

class TFMonthlyTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowLedger> m_ledger;
    TFCore* m_core = nullptr;
    int house = 0, rent = 0;

    int rowOf(const TFMonthly& w, int objId) {
        for (int i = 0; i < int(w.Grid().rows.size()); ++i)
            if (w.Grid().rows[size_t(i)].objId == objId)
                return i;
        return -1;
    }

private Q_SLOTS:
    void init() {
        m_ledger = std::make_unique<WindowLedger>();
        QVERIFY(m_ledger->open());
        m_core = &m_ledger->core;
        m_core->settings().BalAt = MakeDate(2024, 3, 31);
        const int bank = m_ledger->addObj(otExtAcc, QStringLiteral("Bank"));
        const int shop = m_ledger->addObj(otCpty, QStringLiteral("Shop"));
        const int food = m_ledger->addObj(otPot, QStringLiteral("Food"));
        house = m_ledger->addObj(otCtgyGrp, QStringLiteral("House"));
        rent = m_ledger->addObj(otCtgy, QStringLiteral("Rent"), house);
        const int repairs = m_ledger->addObj(otCtgy, QStringLiteral("Repairs"), house);
        QVERIFY(m_ledger->pay(80000, MakeDate(2024, 2, 1), bank, shop, food, rent));
        QVERIFY(m_ledger->pay(4550, MakeDate(2024, 2, 9), bank, shop, food, repairs));
    }
    void cleanup() {
        CloseModals();
        for (QWidget* w : QApplication::topLevelWidgets())
            w->close();
        m_ledger.reset();
    }

    void drillExpandAndBack() {
        TFanlsys& start = Fanlsys(*m_core);
        start.Show();
        QCOMPARE(start.EndDateBox->text(), QStringLiteral("2024-03-31"));
        QTest::mouseClick(start.OKBtn, Qt::LeftButton);
        TFMonthly& w = FMonthly(*m_core);
        QVERIFY(w.isVisible());
        QCOMPARE(w.windowTitle(), QStringLiteral("Analysis : Month-on-Month"));
        QCOMPARE(w.GridView->horizontalHeaderItem(12)->text(), QStringLiteral("2024-02-01"));
        // Top level: the group row sums its members.
        const int groupRow = rowOf(w, house);
        QVERIFY(groupRow >= 0);
        QCOMPARE(w.GridView->item(groupRow, 1)->text(), QStringLiteral("GROUP"));
        QCOMPARE(w.GridView->item(groupRow, 12)->text(), QStringLiteral("-845.50"));
        QCOMPARE(rowOf(w, rent), -1);

        w.SetClickedCell(groupRow, 13);
        w.ExpandItem->trigger();
        QVERIFY(rowOf(w, rent) >= 0);
        QVERIFY(rowOf(w, house) >= 0);
        QCOMPARE(w.Grid().rows.back().cells[12], QStringLiteral("-1,691.00")); // both shown: counted twice

        w.GridView->setCurrentCell(rowOf(w, rent), 13);
        QCOMPARE(w.ChartView->chart()->title(), w.GridView->item(rowOf(w, rent), 0)->text());
        QCOMPARE(w.ChartView->chart()->series().size(), 2); // months and the rolling year

        w.CollapseAllItem->trigger();
        w.SetClickedCell(rowOf(w, house), 2);
        w.DrillItem->trigger();
        QVERIFY(w.BackItem->isEnabled());
        QVERIFY(w.GroupLbl->text().startsWith(QStringLiteral("Group : \"")));
        QCOMPARE(int(w.Grid().rows.size()), 3); // Rent, Repairs, TOTALS
        w.BackItem->trigger();
        QVERIFY(!w.BackItem->isEnabled());
        QCOMPARE(w.DrilledGroup(), 0);
        QVERIFY(rowOf(w, house) >= 0);
        QVERIFY(m_ledger->prompter.messages().isEmpty());
    }
};

QTEST_MAIN(TFMonthlyTest)
#include "TFMonthlyTest.moc"
