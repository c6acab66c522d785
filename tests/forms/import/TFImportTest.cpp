// The statement import window driven as a user drives it: lines skipped and
// made new again before importing, and Cancel writing nothing.
#include "forms/import/TFImport.h"

#include "data/Core.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "ledger/Objects.h"
#include "ledger/Transactions.h"
#include "support/ScriptedPrompter.h"
#include "support/TempFolder.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include <memory>

class TFImportTest : public QObject {
    Q_OBJECT

    struct Fixture {
        TempFolder dir;
        ScriptedPrompter prompter;
        TFCore core{prompter};
        std::unique_ptr<TFImport> form;
        int bank = 0;

        Fixture() {
            OpenLedgerStore(core.store(), dir.path(), true, kCurrentSchema);
            core.setDataFolder(dir.path());
            Settings& s = core.settings();
            s.Today = MakeDate(2024, 6, 15);
            s.BalFrom = MakeDate(2024, 1, 1);
            s.BalAt = MakeDate(2024, 6, 30);
            s.RecomputeDerived();
            bank = add(otExtAcc, "Bank");
            const int shop = add(otCpty, "Shop");
            const int food = add(otPot, "Food");
            const int groceries = add(otCtgy, "Groceries", food);
            EnsureCptyCategory(core, shop, groceries, 'P');
            QFile f(dir.file(QStringLiteral("june.csv")));
            f.open(QIODevice::WriteOnly);
            f.write("Date,Payee,Amount\n2024-06-01,SHOP 1,-1.00\n2024-06-02,SHOP 2,-2.00\n2024-06-03,SHOP 3,-3.00\n");
            f.close();
            form = std::make_unique<TFImport>(core);
        }
        int add(int kind, const char* name, int potType = 0) {
            ObjRec r;
            InitObjRec(r);
            r.Type = kind;
            r.Name = QString::fromLatin1(name);
            r.CloseDate = IntToCal(kNotClosed);
            r.PotType = potType;
            AddObj(core, r);
            EnsureAnchor(core, r.Id);
            return r.Id;
        }
        std::int64_t count(const char* sql) {
            Query q(core.store(), QString::fromLatin1(sql));
            const std::int64_t v = q.next() ? q.int64(0) : -1;
            q.reset();
            return v;
        }
    };

private Q_SLOTS:
    void skippedLinesStayOutAndNewBringsThemBack() {
        Fixture f;
        QVERIFY(f.form->Load(f.bank, f.dir.file(QStringLiteral("june.csv"))));
        QCOMPARE(f.form->LinesGrid->model()->rowCount(), 3);
        QVERIFY(f.form->SummaryLbl->text().startsWith(QStringLiteral("New 3 (0 without")));
        // Skip lines 2 and 3, then make line 3 new again.
        f.form->LinesGrid->selectRow(1);
        QTest::mouseClick(f.form->SkipBtn, Qt::LeftButton);
        f.form->LinesGrid->selectRow(2);
        QTest::mouseClick(f.form->SkipBtn, Qt::LeftButton);
        QCOMPARE(f.form->LinesGrid->model()->index(2, 3).data().toString(), QStringLiteral("skip"));
        QTest::mouseClick(f.form->NewBtn, Qt::LeftButton);
        QTest::mouseClick(f.form->ImportBtn, Qt::LeftButton);
        QCOMPARE(f.form->result(), int(QDialog::Accepted));
        QCOMPARE(f.count("SELECT count(*) FROM txn"), 2);
        QCOMPARE(f.count("SELECT sum(Amt) FROM pstg WHERE Objid = 1 AND Txnid > 0"), -400);
        // Opened again on the same file: the two are imported, the skipped one is new.
        QVERIFY(f.form->Load(f.bank, f.dir.file(QStringLiteral("june.csv"))));
        QCOMPARE(f.form->LinesGrid->model()->index(1, 3).data().toString(), QStringLiteral("new"));
        QCOMPARE(f.form->LinesGrid->model()->index(2, 3).data().toString(), QStringLiteral("imported"));
    }

    void cancelWritesNothing() {
        Fixture f;
        QVERIFY(f.form->Load(f.bank, f.dir.file(QStringLiteral("june.csv"))));
        f.form->show();
        QTest::keyClick(f.form.get(), Qt::Key_Escape);
        QCOMPARE(f.form->result(), int(QDialog::Rejected));
        QCOMPARE(f.count("SELECT count(*) FROM txn"), 0);
    }
};

QTEST_MAIN(TFImportTest)
#include "TFImportTest.moc"
