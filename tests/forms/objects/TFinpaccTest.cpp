// The find-account dialog: the match rules and pages, choosing, and the
// kind's default.
#include "forms/objects/TFinpacc.h"

#include "ModalDriver.h"
#include "forms/Screens.h"
#include "objects/ObjectsWindowFixture.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

class TFinpaccTest : public QObject {
    Q_OBJECT
    ObjectsWindowFixture f;

    static ObjRec named(const QString& name) {
        ObjRec r;
        InitObjRec(r);
        r.Name = name;
        return r;
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(f.open()); }
    void init() { f.reset(); }
    void cleanup() { CloseModals(); }

    void exactMatchIgnoresCaseAndSelectChooses() {
        const int shop = f.obj(otCpty, "Shop", 20240601);
        f.obj(otCpty, "Shopping", 20240601);
        f.obj(otCpty, "Old shop", 20200101, 20210101);
        WhenModal([&](QWidget* w) {
            auto* d = dynamic_cast<TFinpacc*>(w);
            QVERIFY(d);
            QCOMPARE(d->windowTitle(), QStringLiteral("Find COUNTERPARTY "));
            QCOMPARE(d->SearchBox->text(), QStringLiteral("sho"));
            d->SearchBtn->click(); // starts with, any case
            QCOMPARE(d->ActivesList->count(), 2);
            QCOMPARE(d->Pages->tabText(0), QStringLiteral("Actives - 2"));
            QVERIFY(!d->SearchBox->isEnabled());
            d->NewSearchItem->trigger();
            d->ContainsRdio->click();
            d->SearchBtn->click();
            QCOMPARE(d->Pages->tabText(2), QStringLiteral("Closed - 1"));
            d->NewSearchItem->trigger();
            d->ExactRdio->click();
            d->SearchBox->setText(QStringLiteral("SHOP"));
            d->SearchBtn->click();
            QCOMPARE(d->ActivesList->count(), 1);
            d->SelectBtn->click();
        });
        QVERIFY(FindAccount(f.core, otCpty, named("sho")));
        QCOMPARE(PickedObj(f.core).Id, shop);
    }

    void makeDefaultThenDefaultChoosesIt() {
        const int cash = f.obj(otPot, "Cash pot", 20240601);
        f.obj(otPot, "Cards", 20240601);
        f.core.settings().DefaultPotId = 0;
        WhenModal([&](QWidget* w) {
            auto* d = dynamic_cast<TFinpacc*>(w);
            QVERIFY(d);
            QVERIFY(d->DefaultBtn->toolTip().isEmpty());
            d->StartsRdio->click(); // the rule is kept from the last opening
            d->SearchBox->setText(QStringLiteral("cash"));
            d->SearchBtn->click();
            f.prompter.expectQuestion(QStringLiteral("Make selected Account the default?"), 'Y');
            d->MakeDefaultPop->trigger();
            QCOMPARE(d->DefaultBtn->toolTip(), QStringLiteral("Select default Internal Account  = \"Cash pot\""));
            d->DefaultBtn->click();
        });
        QVERIFY(FindAccount(f.core, otPot, named(QString())));
        QCOMPARE(f.core.settings().DefaultPotId, cash);
        QCOMPARE(PickedObj(f.core).Id, cash);
    }
};

QTEST_MAIN(TFinpaccTest)
#include "TFinpaccTest.moc"
