// The balances view driven as a user does: Enter on a group row, Back, the
// popup's Expand and Collapse, find as you type, "Show values" with the
// warning column and the totals line.
#include "forms/views/TFBals.h"

#include "ModalDriver.h"
#include "data/Core.h"
#include "data/Tables.h"
#include "ledger/Balances.h"
#include "support/ScriptedPrompter.h"
#include "support/TempFolder.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>
#include <memory>

class TFBalsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempFolder> m_dir;
    std::unique_ptr<ScriptedPrompter> m_prompter;
    std::unique_ptr<TFCore> m_core;
    std::unique_ptr<TFBals> m_bals;

    int add(int kind, const QString& name, int grpid = 0, bool allowZero = true) {
        ObjRec r;
        InitObjRec(r);
        r.Type = kind;
        r.Name = name;
        r.Grpid = grpid;
        r.AllowZeroBal = allowZero;
        r.CloseDate = IntToCal(kNotClosed);
        if (!AddObj(*m_core, r))
            return 0;
        return r.Id;
    }
    void figures(int id, Amount bfd, Amount payts) {
        MovtRec m;
        InitMovtRec(m);
        m.Accid = id;
        m.BfdBal = bfd;
        m.PdPayts = payts;
        QVERIFY(WriteMovt(*m_core, m));
    }
    QStringList names() const {
        QStringList out;
        for (int r = 0; r < m_bals->Model->rowCount(); ++r)
            out << m_bals->Model->Row(r).dpname;
        return out;
    }
    QString cell(int row, int column) const { return m_bals->Model->index(row, column).data().toString(); }
    void select(int row) { m_bals->Grid->setCurrentIndex(m_bals->Model->index(row, 0)); }

private Q_SLOTS:
    void init() {
        m_dir = std::make_unique<TempFolder>();
        m_prompter = std::make_unique<ScriptedPrompter>();
        m_core = std::make_unique<TFCore>(*m_prompter);
        QVERIFY(OpenLedgerStore(m_core->store(), m_dir->path(), true));
        m_core->setDataFolder(m_dir->path());
        Settings& s = m_core->settings();
        s.Today = MakeDate(2024, 6, 15);
        s.BalFrom = MakeDate(2024, 1, 1);
        s.BalAt = MakeDate(2024, 6, 30);
        s.RecomputeDerived();
        m_bals = std::make_unique<TFBals>(*m_core);
    }
    void cleanup() {
        CloseModals();
        m_bals.reset();
        m_core->store().close();
        m_core.reset();
        m_prompter.reset();
        m_dir.reset();
    }

    void levelsFollowTheUsersCommands() {
        add(otExtAcc, "Bank");
        const int savings = add(otExtGrp, "Savings");
        add(otExtAcc, "ISA", savings);
        add(otExtAcc, "Fixed", savings);
        QVERIFY(SetPaths(*m_core));
        m_bals->Open(otExtAcc);
        QCOMPARE(m_bals->windowTitle(), QStringLiteral("External Accounts"));
        QCOMPARE(names(), (QStringList{"Bank", "Savings"}));
        QCOMPARE(cell(1, BalancesModel::ColGroup), QStringLiteral("GROUP"));
        QVERIFY(!m_bals->BackItem->isEnabled());

        select(1);
        QTest::keyClick(m_bals->Grid, Qt::Key_Return);
        QCOMPARE(names(), (QStringList{"Fixed", "ISA"}));
        QCOMPARE(m_bals->PathLbl->text(), QStringLiteral(" Savings : ..."));
        m_bals->BackItem->trigger();
        QCOMPARE(names(), (QStringList{"Bank", "Savings"}));
        QCOMPARE(m_bals->CurrentRow(), 1);

        m_bals->UpdatePopup();
        m_bals->ExpandItem->trigger();
        QCOMPARE(names(), (QStringList{"Bank", "Savings : Fixed", "Savings : ISA"}));
        QCOMPARE(m_bals->CurrentRow(), 1);
        select(2);
        m_bals->UpdatePopup();
        QCOMPARE(m_bals->CollapseItem->text(), QStringLiteral("Collapse Group \"Savings\""));
        m_bals->CollapseItem->trigger();
        QCOMPARE(names(), (QStringList{"Bank", "Savings"}));
        QCOMPARE(m_bals->CurrentRow(), 1);

        select(0);
        QTest::keyClicks(m_bals->FindBox, QStringLiteral("SA"));
        QCOMPARE(m_bals->CurrentRow(), 1);
        QTest::keyClick(m_bals->FindBox, Qt::Key_Enter);
        QCOMPARE(names(), (QStringList{"Fixed", "ISA"}));
        m_bals->BackItem->trigger();
        m_bals->ExpandAllItem->trigger();
        QCOMPARE(names(), (QStringList{"Bank", "Savings : Fixed", "Savings : ISA"}));
    }

    void valuesShowWarningsAndTotals() {
        const int food = add(otPot, "Food", 0, false);
        const int rent = add(otPot, "Rent");
        const int fun = add(otPot, "Fun", 0, false);
        figures(food, 500, -500); // c/fd 0 with zero balances forbidden
        figures(rent, 1000000000, 0);
        figures(fun, 900000000, -250);
        m_bals->Open(otPot);
        QVERIFY(m_bals->Grid->isColumnHidden(BalancesModel::ColBalance));
        QVERIFY(m_prompter->messages().isEmpty());

        QTest::mouseClick(m_bals->ShowValuesBtn, Qt::LeftButton);
        QVERIFY(!m_bals->ShowValuesBtn->isVisible());
        QVERIFY(!m_bals->Grid->isColumnHidden(BalancesModel::ColBalance));
        QCOMPARE(names(), (QStringList{"Food", "Fun", "Rent"}));
        QCOMPARE(cell(0, BalancesModel::ColWarning), QStringLiteral("!"));
        QCOMPARE(cell(1, BalancesModel::ColWarning), QString());
        QCOMPARE(cell(1, BalancesModel::ColBalance), QStringLiteral("+8,999,997.50"));
        QCOMPARE(m_bals->BalTotLbl->text(), QStringLiteral("+18,999,997.50"));
        QCOMPARE(m_bals->PaytsTotLbl->text(), QStringLiteral("-7.50"));
        QCOMPARE(m_bals->CountLbl->text(), QStringLiteral("3 items  "));
        QCOMPARE(m_prompter->messages(), (QStringList{"Warning - c/fd balance +18,999,997.50 approaching overflow "
                                                      "limit of 21,474,836.47"}));
    }
};

QTEST_MAIN(TFBalsTest)
#include "TFBalsTest.moc"
