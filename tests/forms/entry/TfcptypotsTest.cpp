// The counterparty categories window: the automatic choices that never show
// it, choosing from it with the keyboard, the direction buttons, and
// "Set as default" making the next choice automatic.
#include "forms/entry/Tfcptypots.h"

#include "ModalDriver.h"
#include "data/Core.h"
#include "data/Tables.h"
#include "forms/Screens.h"
#include "ledger/Database.h"
#include "ledger/Objects.h"
#include "ledger/Transactions.h"
#include "support/ScriptedPrompter.h"
#include "support/TempFolder.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QTabWidget>
#include <QtTest>

class TfcptypotsTest : public QObject {
    Q_OBJECT

    // One ledger for the whole run: the window is one window for the run.
    struct Fixture {
        TempFolder program;
        ScriptedPrompter prompter;
        TFCore core{prompter};
        int shop = 0, cafe = 0, nobody = 0, food = 0, drink = 0, garden = 0;

        int add(int kind, const QString& name) {
            ObjRec r;
            InitObjRec(r);
            r.Type = kind;
            r.Name = name;
            r.CloseDate = IntToCal(kNotClosed);
            AddObj(core, r);
            return r.Id;
        }
        Fixture() {
            core.setProgramFolder(program.path());
            SetDataFolder(core, program.path() + QStringLiteral("DATA/"));
            OpenDatabase(core);
            shop = add(otCpty, QStringLiteral("Shop"));
            cafe = add(otCpty, QStringLiteral("Cafe"));
            nobody = add(otCpty, QStringLiteral("Nobody"));
            food = add(otCtgy, QStringLiteral("Food"));
            drink = add(otCtgy, QStringLiteral("Drink"));
            garden = add(otCtgy, QStringLiteral("Garden"));
            for (int c : {food, drink, garden})
                EnsureCptyCategory(core, shop, c, 'P');
            EnsureCptyCategory(core, shop, garden, 'S');
            EnsureCptyCategory(core, cafe, drink, 'P');
        }
    };
    Fixture* f = nullptr;

    static QStringList Texts(const QListWidget* l) {
        QStringList out;
        for (int i = 0; i < l->count(); ++i)
            out << l->item(i)->text();
        return out;
    }

private Q_SLOTS:
    void initTestCase() { f = new Fixture; }
    void cleanupTestCase() { delete f; }
    void cleanup() { CloseModals(); }

    void automaticChoicesNeverShowTheWindow() {
        bool shown = false;
        WhenModal([&](QWidget* w) {
            shown = dynamic_cast<Tfcptypots*>(w) != nullptr;
            w->close();
        });
        QCOMPARE(ChooseCategory(f->core, f->nobody, 'P', true), 0);
        QCOMPARE(ChooseCategory(f->core, f->cafe, 'P', true), f->drink);
        QCOMPARE(ChooseCategory(f->core, f->shop, 'S', true), f->garden);
        QDialog stand_in; // takes the watcher when the window never showed
        stand_in.exec();
        QVERIFY(!shown);
    }

    void choosingWithTheKeyboardAndSwitchingDirection() {
        QStringList pref, sale;
        QString label;
        WhenModal([&](QWidget* w) {
            auto* d = dynamic_cast<Tfcptypots*>(w);
            QVERIFY(d);
            label = d->CptyLbl->text();
            pref = Texts(d->PrefList);
            d->SaleRdio->click();
            sale = Texts(d->PrefList);
            d->PurchRdio->click();
            d->PrefList->setCurrentRow(1);
            QTest::keyClick(d->PrefList, Qt::Key_Return);
        });
        QCOMPARE(ChooseCategory(f->core, f->shop, 'P', true), f->food);
        QCOMPARE(label, QStringLiteral("Shop"));
        QCOMPARE(pref, (QStringList{"Drink", "Food", "Garden"}));
        QCOMPARE(sale, QStringList{"Garden"});

        WhenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
        QCOMPARE(ChooseCategory(f->core, f->shop, 'P', false), 0);
    }

    void setAsDefaultMakesTheNextChoiceAutomatic() {
        WhenModal([&](QWidget* w) {
            auto* d = dynamic_cast<Tfcptypots*>(w);
            QVERIFY(d);
            d->PrefList->setCurrentRow(2); // Garden
            f->prompter.expectQuestion(QStringLiteral("Set Category as default for this Counterparty - OK?"), 'Y');
            d->SetDefaultItem->trigger();
            QCOMPARE(Texts(d->PrefList), QStringList{"Garden"});
            d->CloseItem->trigger();
        });
        QCOMPARE(ChooseCategory(f->core, f->shop, 'P', false), 0);
        QCOMPARE(ChooseCategory(f->core, f->shop, 'P', true), f->garden);
    }
};

QTEST_MAIN(TfcptypotsTest)
#include "TfcptypotsTest.moc"
