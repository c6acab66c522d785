// The calendar: grid layout by month, stepping at the edges of the year
// range, the popups, picking by click and double click, and the PickDate
// family writing back into boxes and variables.
#include "forms/TFCal.h"
#include "ModalDriver.h"
#include "base/Clock.h"
#include "base/Dates.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

namespace {

void ClickCell(QTableWidget* grid, int row, int column, bool twice = false) {
    const QPoint at = grid->visualRect(grid->model()->index(row, column)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    if (twice) {
        // As a window system delivers it: press, release, double click, release.
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, at);
    }
}

void ClickMenuEntry(QMenu* menu, const QString& text) {
    for (QAction* a : menu->actions()) {
        if (a->text() == text) {
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no menu entry ") + text));
}

QStringList MenuTexts(QMenu* menu) {
    QStringList texts;
    for (QAction* a : menu->actions())
        texts << a->text();
    return texts;
}

} // namespace

class TFCalTest : public QObject {
    Q_OBJECT
    // Today is fixed, a moment before midnight, for every test here.
    const CalDate kToday = MakeDate(2023, 8, 14);

private Q_SLOTS:
    void initTestCase() { SetClock(QDateTime(QDate(2023, 8, 14), QTime(23, 59, 59, 999))); }
    void cleanupTestCase() { SetClock(QDateTime()); }
    void cleanup() { CloseModals(); }

    void monthGridLayout() {
        TFCal cal;
        // March 2021 starts on a Monday.
        cal.SetDate(MakeDate(2021, 3, 15));
        QCOMPARE(cal.CellText(1, 0), QStringLiteral("   1"));
        QCOMPARE(cal.CellText(2, 3), QStringLiteral("  11"));
        QCOMPARE(cal.CellText(5, 2), QStringLiteral("  31"));
        QCOMPARE(cal.CellText(5, 3), QString());
        QCOMPARE(cal.FilledDayCells(), 31);
        QCOMPARE(cal.YearBtn->text(), QStringLiteral("2021"));
        QCOMPARE(cal.MonthBtn->text(), QStringLiteral("March"));
        QCOMPARE(cal.DateBox->text(), QStringLiteral("2021-03-15  Mon"));
        QCOMPARE(cal.Grid->currentRow(), 3);
        QCOMPARE(cal.Grid->currentColumn(), 0);

        // August 2021 starts on a Sunday and needs the sixth row.
        cal.SetDate(MakeDate(2021, 8, 31));
        QCOMPARE(cal.CellText(1, 6), QStringLiteral("   1"));
        QCOMPARE(cal.CellText(1, 5), QString());
        QCOMPARE(cal.CellText(6, 1), QStringLiteral("  31"));
        QCOMPARE(cal.Grid->currentRow(), 6);
        QCOMPARE(cal.Grid->currentColumn(), 1);

        // A later shorter month clears what the longer one left.
        cal.SetDate(MakeDate(2024, 2, 10));
        QCOMPARE(cal.FilledDayCells(), 29);
        QCOMPARE(cal.CellText(6, 1), QString());
        cal.SetDate(MakeDate(2023, 2, 10));
        QCOMPARE(cal.FilledDayCells(), 28);
    }

    void steppingAtTheEdges() {
        TFCal cal;
        cal.SetDate(MakeDate(2021, 12, 5));
        QTest::mouseClick(cal.NextMonthBtn, Qt::LeftButton);
        QCOMPARE(cal.MonthBtn->text(), QStringLiteral("January"));
        QCOMPARE(cal.YearBtn->text(), QStringLiteral("2022"));
        QCOMPARE(cal.DateBox->text(), QStringLiteral("2022-01-05  Wed"));
        QTest::mouseClick(cal.PrevMonthBtn, Qt::LeftButton);
        QCOMPARE(cal.DateBox->text(), QStringLiteral("2021-12-05  SUN"));

        cal.SetDate(MakeDate(0, 6, 1));
        QTest::mouseClick(cal.PrevYearBtn, Qt::LeftButton);
        QCOMPARE(cal.YearBtn->text(), QStringLiteral("9999"));
        QTest::mouseClick(cal.NextYearBtn, Qt::LeftButton);
        QCOMPARE(cal.YearBtn->text(), QStringLiteral("0"));
        QCOMPARE(cal.DateBox->text().left(10), QStringLiteral("0000-06-01"));
    }

    void dayKeptAcrossShortMonths() {
        TFCal cal;
        cal.SetDate(MakeDate(2021, 1, 31));
        cal.NextMonthBtnClick();
        // The shown and handed-back date never names a day that does not exist.
        QCOMPARE(cal.DateBox->text(), QStringLiteral("2021-02-28  SUN"));
        QCOMPARE(cal.Grid->currentRow(), 4);
        QCOMPARE(cal.Grid->currentColumn(), 6);
        cal.NextMonthBtnClick();
        QCOMPARE(cal.DateBox->text(), QStringLiteral("2021-03-31  Wed"));
        // 29 February, next year: 28 February shown, 29 back in the leap year after four.
        cal.SetDate(MakeDate(2024, 2, 29));
        cal.NextYearBtnClick();
        QCOMPARE(cal.DateBox->text().left(10), QStringLiteral("2025-02-28"));
    }

    void clickingDays() {
        TFCal cal;
        cal.resize(cal.sizeHint());
        cal.show();
        QVERIFY(QTest::qWaitForWindowExposed(&cal));
        cal.SetDate(MakeDate(2021, 3, 15));
        ClickCell(cal.Grid, 2, 3);
        QCOMPARE(cal.DateBox->text(), QStringLiteral("2021-03-11  Thu"));
        // The header row and empty cells do not change the day.
        ClickCell(cal.Grid, 0, 2);
        ClickCell(cal.Grid, 6, 6);
        QCOMPARE(cal.DateBox->text(), QStringLiteral("2021-03-11  Thu"));
        QCOMPARE(cal.date().day, 11);
        cal.TodayBtnClick();
        QVERIFY(DateEqual(cal.date(), kToday));
        cal.hide();
    }

    void doubleClickPicksAndCloses() {
        CalDate date = MakeDate(2021, 3, 15);
        WhenModal([](QWidget* w) {
            auto* cal = qobject_cast<TFCal*>(w);
            QVERIFY(cal);
            ClickCell(cal->Grid, 5, 1);
            QCOMPARE(cal->DateBox->text(), QStringLiteral("2021-03-30  Tue"));
            ClickCell(cal->Grid, 5, 2, true);
        });
        QVERIFY(PickDate(date));
        QCOMPARE(CalToDateStr(date), QStringLiteral("2021-03-31"));
        QCOMPARE(date.dayOfWeek, 3);
    }

    void yearPopupPagesAndPicks() {
        TFCal cal;
        cal.SetDate(MakeDate(2021, 3, 15));
        QTest::mouseClick(cal.YearBtn, Qt::LeftButton);
        QTRY_VERIFY(cal.YearMenu->isVisible());
        QStringList expected{"  /\\"};
        for (int y = 1998; y <= 2006; ++y)
            expected << QString::number(y);
        expected << "  \\/";
        QCOMPARE(MenuTexts(cal.YearMenu), expected);

        ClickMenuEntry(cal.YearMenu, QStringLiteral("  /\\"));
        QTRY_VERIFY(cal.YearMenu->isVisible()); // opens again
        QCOMPARE(cal.YearMenu->actions().at(1)->text(), QStringLiteral("1989"));
        QCOMPARE(cal.YearMenu->actions().at(9)->text(), QStringLiteral("1997"));
        ClickMenuEntry(cal.YearMenu, QStringLiteral("1990"));
        QTRY_VERIFY(!cal.YearMenu->isVisible());
        QCOMPARE(cal.YearBtn->text(), QStringLiteral("1990"));
        QCOMPARE(cal.DateBox->text().left(10), QStringLiteral("1990-03-15"));
        QCOMPARE(cal.PopupFirstYear(), 1989);

        // The popup stops at year 0.
        for (int i = 0; i < 250; ++i)
            cal.YearsUp();
        QCOMPARE(cal.PopupFirstYear(), 0);
        QTRY_VERIFY(cal.YearMenu->isVisible());
        cal.YearMenu->close();
    }

    void rightClickOpensPopups() {
        TFCal cal;
        cal.SetDate(MakeDate(2021, 3, 15));
        QContextMenuEvent onYear(QContextMenuEvent::Mouse, QPoint(2, 2), cal.NextYearBtn->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(cal.NextYearBtn, &onYear);
        QTRY_VERIFY(cal.YearMenu->isVisible());
        cal.YearMenu->close();

        QContextMenuEvent onMonth(QContextMenuEvent::Mouse, QPoint(2, 2), cal.MonthBtn->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(cal.MonthBtn, &onMonth);
        QTRY_VERIFY(cal.MonthMenu->isVisible());
        QCOMPARE(MenuTexts(cal.MonthMenu).size(), 12);
        QCOMPARE(MenuTexts(cal.MonthMenu).first(), QStringLiteral("January"));
        ClickMenuEntry(cal.MonthMenu, QStringLiteral("November"));
        QTRY_VERIFY(!cal.MonthMenu->isVisible());
        QCOMPARE(cal.DateBox->text(), QStringLiteral("2021-11-15  Mon"));
    }

    void pickIntoBoxes() {
        QLineEdit box;
        // An empty box starts at today.
        WhenModal([this](QWidget* w) {
            auto* cal = static_cast<TFCal*>(w);
            QVERIFY(DateEqual(cal->date(), kToday));
            QTest::mouseClick(cal->OKBtn, Qt::LeftButton);
        });
        QVERIFY(PickDateForBox(&box));
        QCOMPARE(box.text(), QStringLiteral("2023-08-14  Mon"));

        box.setText(QStringLiteral("2021-03-05  Fri"));
        WhenModal([](QWidget* w) {
            auto* cal = static_cast<TFCal*>(w);
            QTest::mouseClick(cal->NextMonthBtn, Qt::LeftButton);
            QTest::mouseClick(cal->OKBtn, Qt::LeftButton);
        });
        QVERIFY(PickDateForBox(&box));
        QCOMPARE(box.text(), QStringLiteral("2021-04-05  Mon"));

        // Cancel (and Escape) leave the box alone.
        WhenModal([](QWidget* w) {
            auto* cal = static_cast<TFCal*>(w);
            QTest::mouseClick(cal->NextMonthBtn, Qt::LeftButton);
            QTest::mouseClick(cal->CancelBtn, Qt::LeftButton);
        });
        QVERIFY(!PickDateForBox(&box));
        QCOMPARE(box.text(), QStringLiteral("2021-04-05  Mon"));
        WhenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
        QVERIFY(!PickDateForBox(&box));
        QCOMPARE(box.text(), QStringLiteral("2021-04-05  Mon"));

        // The plain variant writes the date only.
        WhenModal([](QWidget* w) { QTest::mouseClick(static_cast<TFCal*>(w)->OKBtn, Qt::LeftButton); });
        QVERIFY(PickDateForBoxPlain(&box));
        QCOMPARE(box.text(), QStringLiteral("2021-04-05"));
    }

    void typedTextIsRead() {
        CalDate date = MakeDate(2021, 3, 5);
        WhenModal([](QWidget* w) {
            auto* cal = static_cast<TFCal*>(w);
            cal->DateBox->setText(QStringLiteral("2022-07-04"));
            QTest::mouseClick(cal->OKBtn, Qt::LeftButton);
        });
        QVERIFY(PickDate(date));
        QCOMPARE(CalToDateStr(date), QStringLiteral("2022-07-04"));
        QCOMPARE(date.dayOfWeek, 1);

        // Not a date: OK hands back no date.
        WhenModal([](QWidget* w) {
            auto* cal = static_cast<TFCal*>(w);
            cal->DateBox->setText(QStringLiteral("soon"));
            QTest::mouseClick(cal->OKBtn, Qt::LeftButton);
        });
        QVERIFY(PickDate(date));
        QVERIFY(IsNullDate(date));

        QLineEdit plain(QStringLiteral("2021-01-01"));
        WhenModal([](QWidget* w) {
            auto* cal = static_cast<TFCal*>(w);
            cal->DateBox->setText(QStringLiteral("soon"));
            QTest::mouseClick(cal->OKBtn, Qt::LeftButton);
        });
        QVERIFY(PickDateForBoxPlain(&plain));
        QCOMPARE(plain.text(), QString());
    }

    void invalidStartUsesToday() {
        const CalDate starts[] = {MakeDate(9999, 1, 1), MakeDate(0, 1, 1), IntToCal(20211301), IntToCal(20210132)};
        for (const CalDate& start : starts) {
            CalDate date = start;
            WhenModal([this](QWidget* w) {
                auto* cal = static_cast<TFCal*>(w);
                QVERIFY(DateEqual(cal->date(), kToday));
                QTest::mouseClick(cal->CancelBtn, Qt::LeftButton);
            });
            QVERIFY(!PickDate(date));
            QVERIFY(DateEqual(date, start));
        }
    }
};

QTEST_MAIN(TFCalTest)
#include "TFCalTest.moc"
