// The account picker driven as a user drives it: typing that widens the
// filter and lands on the row, the filter buttons, the refusal of a second
// opening, and the favourite mark that chooses.
#include "forms/objects/TFAccs.h"

#include "ModalDriver.h"
#include "forms/Screens.h"
#include "objects/ObjectsWindowFixture.h"

#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

class TFAccsTest : public QObject {
    Q_OBJECT
    ObjectsWindowFixture f;

private Q_SLOTS:
    void initTestCase() { QVERIFY(f.open()); }
    void init() { f.reset(); }
    void cleanup() { CloseModals(); }

    void typingWidensToClosedAndChoosesTheRow() {
        const DateInt cutoff = f.core.settings().DormantCutoff;
        f.obj(otCtgy, "Apples", 20240601, kNotClosed, true);
        f.obj(otCtgy, "Groceries", 20240601);
        const int old = f.obj(otCtgy, "Gas", cutoff - 1);
        const int gone = f.obj(otCtgy, "Gone", 20230101, 20240101);
        bool checked = false;
        WhenModal([&](QWidget* w) {
            auto* p = dynamic_cast<TFAccs*>(w);
            QVERIFY(p);
            QCOMPARE(p->windowTitle(), QStringLiteral("Select CATEGORY "));
            QCOMPARE(p->Grid->model()->rowCount(), 1); // favourites only
            QTest::keyClicks(p->Grid, "gon");          // typed in the grid goes to the search box
            QCOMPARE(p->SearchBox->text(), QStringLiteral("gon"));
            QVERIFY(p->ClosedRdio->isChecked());
            QCOMPARE(p->CurrentId(), gone);
            QVERIFY(f.prompter.messages().isEmpty());
            // One more letter matches nothing, even among the closed ones.
            QTest::keyClicks(p->SearchBox, "x");
            QCOMPARE(f.prompter.messages(), QStringList{QStringLiteral("Not found")});
            // The user's own filter choice lists only its objects.
            p->SearchBox->clear();
            p->DormantRdio->click();
            QCOMPARE(p->Grid->model()->rowCount(), 1);
            QCOMPARE(p->CurrentId(), old);
            p->RecentRdio->click();
            QCOMPARE(p->Grid->model()->rowCount(), 2);
            // Down in the search box moves the row; Enter chooses it.
            QTest::keyClick(p->SearchBox, Qt::Key_Down);
            QCOMPARE(p->Grid->currentIndex().row(), 1);
            checked = true;
            QTest::keyClick(p->SearchBox, Qt::Key_Return);
        });
        QVERIFY(Pick(f.core, otCtgy));
        QVERIFY(checked);
        QCOMPARE(PickedObj(f.core).Name, QStringLiteral("Groceries"));
    }

    void secondOpeningOfTheSameWindowIsRefused() {
        const int food = f.obj(otCtgy, "Food", 0, kNotClosed, true);
        f.obj(otCtgy, "Fuel", 0, kNotClosed, true);
        bool refused = false;
        WhenModal([&](QWidget* w) {
            auto* p = dynamic_cast<TFAccs*>(w);
            QVERIFY(p);
            QCOMPARE(p->CurrentId(), food);
            QTest::keyClick(p->SearchBox, Qt::Key_Down);
            // A category group is listed by the same (first) window.
            refused = !Pick(f.core, otCtgyGrp);
            QCOMPARE(f.prompter.messages(),
                     QStringList{QStringLiteral("Cannot list Category Groups , the Select Account form is already in "
                                                "use.\r\nLeave blank for now, you can edit later.")});
            QCOMPARE(p->Kind(), int(otCtgy));
            QCOMPARE(p->Grid->currentIndex().row(), 1);
            p->CancelBtn->click();
        });
        QVERIFY(!Pick(f.core, otCtgy));
        QVERIFY(refused);
    }

    void favoriteMarkChoosesAndClearingItKeepsThePickerOpen() {
        const int rent = f.obj(otPot, "Rent", 20240601);
        WhenModal([&](QWidget* w) {
            auto* p = dynamic_cast<TFAccs*>(w);
            QVERIFY(p);
            QCOMPARE(p->windowTitle(), QStringLiteral("Select INTERNAL ACCOUNT "));
            QTest::keyClicks(p->SearchBox, "re"); // widens to Recent
            QCOMPARE(p->CurrentId(), rent);
            Q_EMIT p->Grid->customContextMenuRequested(QPoint(2, 2));
            QVERIFY(!p->FavoritePop->isChecked());
            p->Popup->close();
            p->FavoritePop->trigger();
        });
        QVERIFY(Pick(f.core, otPot));
        QCOMPARE(PickedObj(f.core).Id, rent);
        QVERIFY(f.favInStore(rent));

        bool stillOpen = false;
        WhenModal([&](QWidget* w) {
            auto* p = dynamic_cast<TFAccs*>(w);
            QVERIFY(p);
            QCOMPARE(p->CurrentId(), rent); // now among the favourites
            Q_EMIT p->Grid->customContextMenuRequested(QPoint(2, 2));
            QVERIFY(p->FavoritePop->isChecked());
            p->Popup->close();
            p->FavoritePop->trigger();
            stillOpen = p->isVisible();
            p->CancelBtn->click();
        });
        QVERIFY(!Pick(f.core, otPot, rent));
        QVERIFY(stillOpen);
        QVERIFY(!f.favInStore(rent));
    }
};

QTEST_MAIN(TFAccsTest)
#include "TFAccsTest.moc"
