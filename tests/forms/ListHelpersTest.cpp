// Row objects of list boxes, combo boxes and grids, and the two item-view
// helpers: column sizing and keeping rows visible around the current one.
#include "forms/ListHelpers.h"

#include <QComboBox>
#include <QHeaderView>
#include <QListWidget>
#include <QStandardItemModel>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

class ListHelpersTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void listRows() {
        QListWidget list;
        QCOMPARE(ListSelectedInt(&list), -1);
        QCOMPARE(ListSelectedText(&list), QString());
        QCOMPARE(ListRowInt(&list, 0), -1);
        AddListRow(&list, QStringLiteral("Bank"), 11);
        AddListRow(&list, QStringLiteral("Cash"), 12, 7);
        AddListRow(&list, QStringLiteral("Card"), 13);
        list.addItem(QStringLiteral("no object"));
        QCOMPARE(ListRowInt(&list, 1), 12);
        QCOMPARE(ListRowInt(&list, 3), -1);
        QCOMPARE(ListRowInt(&list, 4), -1);
        QCOMPARE(ListRowInt(&list, -1), -1);
        // Nothing selected yet.
        QCOMPARE(ListSelectedInt(&list), -1);

        QVERIFY(ListSelectInt(&list, 12));
        QCOMPARE(list.currentRow(), 1);
        QCOMPARE(ListSelectedInt(&list), 12);
        QCOMPARE(ListSelectedInt2(&list), 7);
        QCOMPARE(ListSelectedText(&list), QStringLiteral("Cash"));
        // An id that no row carries changes nothing.
        QVERIFY(!ListSelectInt(&list, 99));
        QCOMPARE(list.currentRow(), 1);
        // Sorting moves the objects with their rows.
        list.sortItems();
        QCOMPARE(ListRowInt(&list, 0), 11);
        QCOMPARE(ListRowInt(&list, 1), 13);
        QCOMPARE(ListRowInt(&list, 2), 12);
        ClearList(&list);
        QCOMPARE(list.count(), 0);
        QCOMPARE(ListSelectedInt(&list), -1);
    }

    void comboRows() {
        QComboBox combo;
        QCOMPARE(ComboSelectedInt(&combo), -1);
        QCOMPARE(ComboSelectedText(&combo), QString());
        AddComboRow(&combo, QStringLiteral("Food"), 5, 50);
        AddComboRow(&combo, QStringLiteral("Rent"), 6, 60);
        QCOMPARE(ComboRowInt(&combo, 1), 6);
        QCOMPARE(ComboRowInt(&combo, 2), -1);
        QVERIFY(ComboSelectInt(&combo, 6));
        QCOMPARE(ComboSelectedInt(&combo), 6);
        QCOMPARE(ComboSelectedInt2(&combo), 60);
        QCOMPARE(ComboSelectedText(&combo), QStringLiteral("Rent"));
        QVERIFY(!ComboSelectInt(&combo, -5));
        QCOMPARE(combo.currentIndex(), 1);
        ClearCombo(&combo);
        QCOMPARE(ComboSelectedInt(&combo), -1);
    }

    void gridRows() {
        QTableWidget grid(3, 2);
        QCOMPARE(GridRowInt(&grid, 0), -1);
        grid.setItem(0, 0, new QTableWidgetItem(QStringLiteral("a0")));
        grid.setItem(0, 1, new QTableWidgetItem(QStringLiteral("a1")));
        grid.setItem(2, 1, new QTableWidgetItem(QStringLiteral("c1")));
        SetGridRowInt(&grid, 0, 100, 1);
        SetGridRowInt(&grid, 2, 300); // the row's first cell was empty
        SetGridRowInt(&grid, 5, 500); // no such row: nothing
        QCOMPARE(GridRowInt(&grid, 0), 100);
        QCOMPARE(GridRowInt(&grid, 1), -1);
        QCOMPARE(GridRowInt(&grid, 2), 300);
        QCOMPARE(GridRowInt(&grid, 5), -1);
        QCOMPARE(grid.item(0, 0)->text(), QStringLiteral("a0")); // the text stays

        SwapGridRows(&grid, 0, 2);
        QCOMPARE(GridRowInt(&grid, 0), 300);
        QCOMPARE(GridRowInt(&grid, 2), 100);
        QCOMPARE(grid.item(0, 1)->text(), QStringLiteral("c1"));
        QCOMPARE(grid.item(2, 0)->text(), QStringLiteral("a0"));
        QCOMPARE(grid.item(2, 1)->text(), QStringLiteral("a1"));
        TIntObj obj;
        QVERIFY(GridRowObj(&grid, 2, obj));
        QCOMPARE(obj.second, 1);

        grid.setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Amount")});
        ClearGrid(&grid);
        QCOMPARE(grid.rowCount(), 3);
        QCOMPARE(GridRowInt(&grid, 0), -1);
        QCOMPARE(GridRowInt(&grid, 2), -1);
        QVERIFY(!grid.item(2, 1));
        QCOMPARE(grid.horizontalHeaderItem(1)->text(), QStringLiteral("Amount"));
    }

    void autoSizeColumns() {
        QStandardItemModel model(3, 45);
        for (int c = 0; c < 45; ++c)
            model.setHeaderData(c, Qt::Horizontal, QStringLiteral("H"));
        model.setHeaderData(0, Qt::Horizontal, QStringLiteral("A much longer column label"));
        model.setItem(1, 1, new QStandardItem(QStringLiteral("a much longer cell text than the label")));
        model.setItem(2, 2, new QStandardItem(QStringLiteral("x")));
        model.setItem(0, 3, new QStandardItem(QStringLiteral("a long text in a hidden column")));
        model.setItem(0, 42, new QStandardItem(QStringLiteral("a long text past the 41st column")));
        QTableView view;
        view.setModel(&model);
        view.setColumnHidden(3, true);
        const int untouched = view.columnWidth(42);
        AutoSizeColumns(&view);

        const QFontMetrics fm(view.font());
        const QFontMetrics hm(view.horizontalHeader()->font());
        QVERIFY(view.columnWidth(0) >= hm.horizontalAdvance(QStringLiteral("A much longer column label")));
        QVERIFY(view.columnWidth(1) >= fm.horizontalAdvance(QStringLiteral("a much longer cell text than the label")));
        // A short column is sized to its text, not kept at the default width.
        QVERIFY(view.columnWidth(2) < view.columnWidth(1));
        QVERIFY(view.columnWidth(2) < hm.horizontalAdvance(QStringLiteral("A much")));
        QVERIFY(view.isColumnHidden(3));
        QCOMPARE(view.columnWidth(42), untouched);
    }

    void showNearKeepsRowsVisible() {
        QStandardItemModel model(200, 1);
        for (int r = 0; r < 200; ++r)
            model.setItem(r, 0, new QStandardItem(QString::number(r)));
        QTableView view;
        view.setModel(&model);
        view.verticalHeader()->setDefaultSectionSize(20);
        view.resize(200, 300); // about a dozen rows
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        auto visible = [&](int row) {
            const int y = view.rowViewportPosition(row);
            return y >= 0 && y + view.rowHeight(row) <= view.viewport()->height();
        };

        // The current row scrolled to the top leaves nothing above it in sight.
        view.setCurrentIndex(model.index(100, 0));
        view.scrollTo(model.index(100, 0), QAbstractItemView::PositionAtTop);
        QVERIFY(!visible(99));
        ShowNear(&view);
        QVERIFY(visible(91));
        QVERIFY(visible(100));

        view.scrollTo(model.index(100, 0), QAbstractItemView::PositionAtBottom);
        QVERIFY(!visible(101));
        ShowNear(&view, true);
        QVERIFY(visible(109));
        QVERIFY(visible(100));

        // Near the ends there are fewer than nine rows to show.
        view.setCurrentIndex(model.index(3, 0));
        ShowNear(&view);
        QVERIFY(visible(0));
        QVERIFY(visible(3));
        view.setCurrentIndex(model.index(198, 0));
        ShowNear(&view, true);
        QVERIFY(visible(199));
        QVERIFY(visible(198));
    }
};

QTEST_MAIN(ListHelpersTest)
#include "ListHelpersTest.moc"
