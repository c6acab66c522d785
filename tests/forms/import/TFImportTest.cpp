// The statement import window driven as a user drives it: lines skipped and
// made new again before importing, a line's category changed in the preview,
// a question of the entry checks asked once for its lines, and Cancel
// writing nothing.
#include "forms/import/TFImport.h"

#include "ModalDriver.h"
#include "forms/entry/Tfcptypots.h"
#include "forms/import/TFCsvMap.h"

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
#include <QListWidget>
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
        int bank = 0, treats = 0, sweets = 0;

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
            sweets = add(otPot, "Sweets");
            treats = add(otCtgy, "Treats", sweets);
            EnsureCptyCategory(core, shop, treats, 'P');
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
        // Opens the file; its column mapping, shown first, is taken as proposed.
        bool load() {
            WhenModal([](QWidget* w) {
                QVERIFY(dynamic_cast<TFCsvMap*>(w));
                QTest::keyClick(w, Qt::Key_Enter);
            });
            return form->Load(bank, dir.file(QStringLiteral("june.csv")));
        }
        std::int64_t count(const char* sql) {
            Query q(core.store(), QString::fromLatin1(sql));
            const std::int64_t v = q.next() ? q.int64(0) : -1;
            q.reset();
            return v;
        }
    };

private Q_SLOTS:
    void cleanup() { CloseModals(); }

    void skippedLinesStayOutAndNewBringsThemBack() {
        Fixture f;
        QVERIFY(f.load());
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
        QVERIFY(f.load());
        QCOMPARE(f.form->LinesGrid->model()->index(1, 3).data().toString(), QStringLiteral("new"));
        QCOMPARE(f.form->LinesGrid->model()->index(2, 3).data().toString(), QStringLiteral("imported"));
    }

    void aCategoryChosenInThePreviewBringsItsPotAndIsEntered() {
        Fixture f;
        QVERIFY(f.load());
        f.form->LinesGrid->selectRow(1);
        WhenModal([&](QWidget* w) {
            auto* d = dynamic_cast<Tfcptypots*>(w);
            QVERIFY(d);
            const QList<QListWidgetItem*> found = d->PrefList->findItems(QStringLiteral("Treats"), Qt::MatchExactly);
            QCOMPARE(found.size(), 1);
            d->PrefList->setCurrentItem(found[0]);
            QTest::keyClick(d->PrefList, Qt::Key_Return);
        });
        QTest::mouseClick(f.form->CtgyBtn, Qt::LeftButton);
        const QAbstractItemModel* m = f.form->LinesGrid->model();
        QCOMPARE(m->index(1, 6).data().toString(), QStringLiteral("Treats"));
        QCOMPARE(m->index(1, 7).data().toString(), QStringLiteral("Sweets"));
        QCOMPARE(m->index(0, 6).data().toString(), QStringLiteral("Groceries")); // not selected
        QTest::mouseClick(f.form->ImportBtn, Qt::LeftButton);
        QCOMPARE(f.form->result(), int(QDialog::Accepted));
        QCOMPARE(f.count(qPrintable(QStringLiteral("SELECT count(*) FROM txn WHERE Accid4 = %1 AND Accid3 = %2")
                                        .arg(f.treats)
                                        .arg(f.sweets))),
                 1);
    }

    void oneQuestionForAllTheLinesAskingItAndNoSkipsThem() {
        Fixture f;
        ObjRec b;
        QVERIFY(ReadObj(f.core, f.bank, b));
        b.Reconciled = QStringLiteral("2024-06-02");
        QVERIFY(WriteObj(f.core, b));
        QVERIFY(f.load());
        const QString q = QStringLiteral("Reconciled balance for account \"Bank\" will be altered!\n"
                                         "Are you sure you want to add/amend/delete transaction?");
        QCOMPARE(f.form->LinesGrid->model()->index(1, 8).data().toString(),
                 QStringLiteral("needs confirming: ") + q.simplified());
        QVERIFY(f.form->LinesGrid->model()->index(2, 8).data().toString().isEmpty());
        f.prompter.expectQuestion(q + QStringLiteral(" (2 lines)"), 'N');
        QTest::mouseClick(f.form->ImportBtn, Qt::LeftButton);
        QCOMPARE(f.form->result(), int(QDialog::Accepted));
        QCOMPARE(f.count("SELECT count(*) FROM txn WHERE Txndate = '2024-06-03'"), 1);
        QCOMPARE(f.count("SELECT count(*) FROM txn"), 1);
        QVERIFY(f.prompter.allAnswered());
        QVERIFY(f.prompter.mismatches().isEmpty());
    }

    void cancelWritesNothing() {
        Fixture f;
        QVERIFY(f.load());
        f.form->show();
        QTest::keyClick(f.form.get(), Qt::Key_Escape);
        QCOMPARE(f.form->result(), int(QDialog::Rejected));
        QCOMPARE(f.count("SELECT count(*) FROM txn"), 0);
    }
};

QTEST_MAIN(TFImportTest)
#include "TFImportTest.moc"
