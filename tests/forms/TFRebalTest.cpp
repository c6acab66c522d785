// The period dialog: the period types' effect on the dates and on which
// controls are usable, the customise buttons through scripted inputs and
// dates, and OK with its future-date question.
#include "forms/TFRebal.h"

#include "ModalDriver.h"
#include "data/Core.h"
#include "support/ScriptedPrompter.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

namespace {

const QString kFuture =
    QStringLiteral("Balance date is in the future - are you sure? (rptr insts will be gend to this date) ");

DateInt I(const CalDate& d) {
    return CalToInt(d);
}

QStringList Asked(const ScriptedPrompter& p) {
    QStringList out;
    for (const auto& e : p.events())
        if (e.kind != ScriptedPrompter::Kind::Message && e.kind != ScriptedPrompter::Kind::Info)
            out << e.text;
    return out;
}

} // namespace

class TFRebalTest : public QObject {
    Q_OBJECT

    struct Fixture {
        ScriptedPrompter prompter;
        TFCore core{prompter};
        TFRebal dlg{core, prompter};
        explicit Fixture(int periodType) {
            Settings& s = core.settings();
            s.Today = MakeDate(2024, 6, 15);
            s.BalFrom = MakeDate(2022, 2, 2);
            s.BalAt = MakeDate(2022, 12, 31);
            s.FinancialYearDay1 = 6;
            s.FinancialYearMonth1 = 4;
            s.PeriodType = periodType;
            s.PeriodAutoRefresh = true;
            dlg.FormShow();
        }
    };

private Q_SLOTS:
    void cleanup() { CloseModals(); }

    void shownSettings() {
        Fixture f(0);
        QCOMPARE(f.dlg.YrStartBtn->text(), QStringLiteral("06/04"));
        QVERIFY(f.dlg.CustomRdio->isChecked());
        QVERIFY(f.dlg.AutoRefreshChk->isChecked());
        // Custom keeps the stored dates.
        QCOMPARE(f.dlg.FromDateLbl->text(), CalToDateStrDay(MakeDate(2022, 2, 2)));
        QCOMPARE(f.dlg.ToDateLbl->text(), CalToDateStrDay(MakeDate(2022, 12, 31)));
        QVERIFY(f.dlg.CustomiseGrp->isEnabled());
        QVERIFY(f.dlg.WholeYrBtn->isEnabled());
        QVERIFY(!f.dlg.RefreshBtn->isEnabled());
        QVERIFY(!f.dlg.AutoRefreshChk->isEnabled());
    }

    void periodTypesSetDatesAndUsability() {
        Fixture f(0);
        f.dlg.CurYrRdio->click();
        QCOMPARE(I(f.dlg.StartDate()), 20240406);
        QCOMPARE(I(f.dlg.EndDate()), 20240615);
        QCOMPARE(f.dlg.YearLabel(), QStringLiteral("2024/25"));
        QCOMPARE(f.dlg.FinYrValLbl->text(), QStringLiteral("2024/25"));
        QVERIFY(!f.dlg.CustomiseGrp->isEnabled());
        QVERIFY(!f.dlg.PrevYrBtn->isEnabled());
        QVERIFY(f.dlg.RefreshBtn->isEnabled());
        QVERIFY(f.dlg.AutoRefreshChk->isEnabled());

        f.dlg.RollYrRdio->click();
        QCOMPARE(I(f.dlg.StartDate()), 20230616);
        QCOMPARE(I(f.dlg.EndDate()), 20240615);
        QVERIFY(f.dlg.YearLabel().isEmpty());

        f.dlg.CustomRdio->click();
        QCOMPARE(I(f.dlg.StartDate()), 20230616); // kept
        QVERIFY(f.dlg.NextYrBtn->isEnabled());
        f.dlg.NextYrBtn->click();
        QCOMPARE(I(f.dlg.StartDate()), 20240616);
        QCOMPARE(I(f.dlg.EndDate()), 20250615);
        f.dlg.AllBtn->click();
        QVERIFY(IsNullDate(f.dlg.StartDate()));
        QCOMPARE(I(f.dlg.EndDate()), 20240615);
        f.dlg.PrevYrBtn->click(); // the open start stays open
        QVERIFY(IsNullDate(f.dlg.StartDate()));
        QCOMPARE(I(f.dlg.EndDate()), 20230615);

        // Shown with a stored type of "current year so far": applied at once.
        Fixture g(1);
        QVERIFY(g.dlg.CurYrRdio->isChecked());
        QCOMPARE(I(g.dlg.StartDate()), 20240406);
    }

    void customiseButtonsThroughInputsAndCalendar() {
        Fixture f(0);
        f.prompter.expectInput(QStringLiteral("Enter financial year"), true, QStringLiteral("2011"));
        f.dlg.WholeYrBtn->click();
        QCOMPARE(I(f.dlg.StartDate()), 20110406);
        QCOMPARE(I(f.dlg.EndDate()), 20120405);
        QCOMPARE(f.dlg.FinYrValLbl->text(), QStringLiteral("2011/12"));

        f.prompter.expectInput(QStringLiteral("Enter financial year"), true, QStringLiteral("yyyy"));
        f.dlg.WholeYrBtn->click(); // not a year: nothing changes
        QCOMPARE(I(f.dlg.StartDate()), 20110406);

        f.prompter.expectPickDate(true, MakeDate(2020, 3, 1));
        f.dlg.YrFromBtn->click();
        QCOMPARE(I(f.dlg.StartDate()), 20200301);
        QCOMPARE(I(f.dlg.EndDate()), 20210228);
        f.prompter.expectPickDate(true, MakeDate(2021, 9, 30));
        f.dlg.YrToBtn->click();
        QCOMPARE(I(f.dlg.StartDate()), 20201001);
        QCOMPARE(I(f.dlg.EndDate()), 20210930);
        f.prompter.expectPickDate(false);
        f.dlg.EnterFromBtn->click();
        QCOMPARE(I(f.dlg.StartDate()), 20201001);
        QCOMPARE(f.dlg.YearLabel(), QStringLiteral("2011/12"));
        f.prompter.expectPickDate(true, MakeDate(2020, 12, 1));
        f.dlg.EnterToBtn->click();
        QCOMPARE(I(f.dlg.EndDate()), 20201201);
        QVERIFY(f.dlg.YearLabel().isEmpty());

        f.prompter.expectInput(QStringLiteral("Enter first day of financial year"), true, QStringLiteral("1/1"));
        f.dlg.YrStartBtn->click();
        QCOMPARE(f.dlg.YrStartBtn->text(), QStringLiteral("06/04"));
        f.prompter.expectInput(QStringLiteral("Enter first day of financial year"), true, QStringLiteral("01/01"));
        f.dlg.YrStartBtn->click();
        QCOMPARE(f.dlg.YrStartBtn->text(), QStringLiteral("01/01"));
        QCOMPARE(f.core.settings().FinancialYearMonth1, 1);
        QVERIFY(f.prompter.allAnswered());
        QCOMPARE(Asked(f.prompter).size(), 8);
    }

    void okStoresThePeriodAskingAboutAFutureEnd() {
        Fixture f(0);
        f.dlg.RollYrRdio->click();
        f.dlg.AutoRefreshChk->setChecked(false);
        f.dlg.OKBtnClick();
        QCOMPARE(f.dlg.result(), int(QDialog::Accepted));
        const Settings& s = f.core.settings();
        QCOMPARE(I(s.BalFrom), 20230616);
        QCOMPARE(I(s.BalAt), 20240615);
        QCOMPARE(s.BalAtInt, 20240615);
        QCOMPARE(s.PeriodType, 2);
        QVERIFY(!s.PeriodAutoRefresh);
        QVERIFY(s.RebalNeeded);
        QVERIFY(Asked(f.prompter).isEmpty()); // today is not the future

        // A future end asks; No leaves the settings but still confirms.
        Fixture g(0);
        g.dlg.NextYrBtn->click();
        g.dlg.NextYrBtn->click(); // 2024-12-31
        g.prompter.expectQuestion(kFuture, 'N');
        g.dlg.OKBtnClick();
        QCOMPARE(g.dlg.result(), int(QDialog::Accepted));
        QCOMPARE(Asked(g.prompter), QStringList{kFuture});
        QCOMPARE(I(g.core.settings().BalFrom), 20220202);
        QVERIFY(!g.core.settings().RebalNeeded);

        g.dlg.FormShow();
        g.dlg.CurYrRdio->click();
        g.dlg.CustomRdio->click();
        g.dlg.NextYrBtn->click();
        g.prompter.expectQuestion(kFuture, 'Y');
        g.dlg.OKBtnClick();
        QCOMPARE(I(g.core.settings().BalAt), 20250615);
        QCOMPARE(g.core.settings().PeriodType, 0);
        QVERIFY(g.core.settings().RebalNeeded);
        QVERIFY(g.prompter.allAnswered());
    }

    void cancelChangesNothing() {
        Fixture f(2);
        bool result = true;
        WhenModal([&](QWidget* w) {
            QCOMPARE(w, static_cast<QWidget*>(&f.dlg));
            f.dlg.CancelBtn->click();
        });
        result = f.dlg.Execute();
        QVERIFY(!result);
        QCOMPARE(I(f.core.settings().BalFrom), 20220202);
        QVERIFY(!f.core.settings().RebalNeeded);
    }
};

QTEST_MAIN(TFRebalTest)
#include "TFRebalTest.moc"
