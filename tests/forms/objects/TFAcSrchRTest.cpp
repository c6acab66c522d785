// The account name/notes search: what it asks, what it lists and its caption.
#include "forms/objects/TFAcSrchR.h"

#include "ModalDriver.h"
#include "forms/Screens.h"
#include "objects/ObjectsWindowFixture.h"

#include <QApplication>
#include <QTableView>

class TFAcSrchRTest : public QObject {
    Q_OBJECT
    ObjectsWindowFixture f;

    static TFAcSrchR* window() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* r = dynamic_cast<TFAcSrchR*>(w))
                return r;
        return nullptr;
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(f.open()); }
    void init() { f.reset(); }
    void cleanup() { CloseModals(); }

    void counterpartySearchListsMatchesAndGroupsWithSubtype() {
        const int corner = f.obj(otCpty, "Corner shop");
        f.obj(otCptyGrp, "Shops");
        f.obj(otCpty, "Dentist");
        f.obj(otCtgy, "Shopping"); // another kind
        QVERIFY(
            f.core.store().exec(QStringLiteral("UPDATE obj SET CptyPays = 1, CptyRcvs = 1 WHERE Id = %1").arg(corner)));

        f.prompter.expectInput(QStringLiteral("Counterparty name/notes search"), true, QStringLiteral("SHOP"));
        AccountNameSearch(f.core, otCpty);
        TFAcSrchR* r = window();
        QVERIFY(r && r->isVisible());
        QCOMPARE(r->windowTitle(), QStringLiteral("Counterparty  search results \"SHOP\" - 2 items"));
        QVERIFY(!r->Grid->isColumnHidden(2));
        const QAbstractItemModel* m = r->Grid->model();
        QCOMPARE(m->index(0, 0).data().toString(), QStringLiteral("Corner shop"));
        QCOMPARE(m->index(0, 2).data().toString(), QStringLiteral("payer/ee"));
        QCOMPARE(m->index(1, 1).data().toString(), QStringLiteral("counterparty group"));

        // A category search hides the subtype; a cancelled one changes nothing.
        f.prompter.expectInput(QStringLiteral("Category name/notes search"), true, QStringLiteral("shop"));
        AccountNameSearch(f.core, otCtgy);
        QCOMPARE(r->Grid->model()->rowCount(), 1);
        QVERIFY(r->Grid->isColumnHidden(2));
        f.prompter.expectInput(QString(), false, QString());
        r->NewSearchItem->trigger();
        QCOMPARE(r->Grid->model()->rowCount(), 1);
        QVERIFY(f.prompter.allAnswered());
    }
};

QTEST_MAIN(TFAcSrchRTest)
#include "TFAcSrchRTest.moc"
