// The postings view driven as a user drives it: the period and style buttons
// with the b/fd line and the day's date and closing balance, reconciling from
// the popup, Sum over a Ctrl+click selection, and the export of the visible
// columns.
#include "forms/views/TFPstgs.h"

#include "ModalDriver.h"
#include "data/Core.h"
#include "data/Settings.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "forms/views/TFClpBd2.h"
#include "ledger/Transactions.h"
#include "support/ScriptedPrompter.h"
#include "support/TempFolder.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTableView>
#include <QtTest>

namespace {

struct Ledger {
    TempFolder dir;
    ScriptedPrompter prompter;
    TFCore core{prompter};
    int bank = 0, shop = 0, food = 0, groceries = 0;

    Ledger() {
        OpenLedgerStore(core.store(), dir.path(), true, kCurrentSchema);
        core.setDataFolder(dir.path());
        Settings& s = core.settings();
        s.Today = MakeDate(2024, 6, 15);
        s.BalFrom = MakeDate(2024, 1, 1);
        s.BalAt = MakeDate(2024, 6, 30);
        s.DBStartDate = MakeDate(2020, 1, 1);
        s.RecomputeDerived();
        bank = add(otExtAcc, "Bank", 10000);
        shop = add(otCpty, "Shop");
        food = add(otPot, "Food");
        groceries = add(otCtgy, "Groceries");
    }
    int add(int kind, const char* name, Amount bfd = 0) {
        ObjRec r;
        InitObjRec(r);
        r.Type = kind;
        r.Name = QString::fromLatin1(name);
        r.BfdBal = bfd;
        r.CloseDate = IntToCal(kNotClosed);
        AddObj(core, r);
        EnsureAnchor(core, r.Id);
        return r.Id;
    }
    int pay(Amount amt, const CalDate& d) {
        TxnRec t;
        InitTxnRec(t);
        t.Type = 'P';
        t.Amt = amt;
        t.Txndate = d;
        t.Accid1 = bank, t.Accid2 = shop, t.Accid3 = food, t.Accid4 = groceries;
        t.Narrative = QStringLiteral("weekly");
        StoreTransaction st(core.store());
        AddTxn(core, t);
        MakePostings(core, t);
        st.commit();
        return t.Id;
    }
    // Prior period net of the bank, as a rebalance would leave it.
    void prePeriodNet(Amount net) {
        MovtRec m;
        InitMovtRec(m);
        m.Accid = bank;
        m.BfdBal = 10000;
        m.Prepdnet = net;
        WriteMovt(core, m);
    }
};

QString Cell(const TFPstgs& w, int row, int column) {
    return w.model()->data(w.model()->index(row, column), Qt::DisplayRole).toString();
}

void CtrlClickRow(TFPstgs& w, int row) {
    const QRect r = w.Grid->visualRect(w.model()->index(row, PostingsModel::cContra));
    QTest::mouseClick(w.Grid->viewport(), Qt::LeftButton, Qt::ControlModifier, r.center());
}

} // namespace

class TFPstgsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { CloseModals(); }

    void periodsAndStatementStyle() {
        Ledger l;
        l.prePeriodNet(-500);
        l.pay(500, MakeDate(2023, 11, 1));
        l.pay(100, MakeDate(2024, 2, 1));
        l.pay(200, MakeDate(2024, 2, 1));
        const int last = l.pay(300, MakeDate(2024, 2, 1));
        TFPstgs w(l.core, l.prompter);
        w.Open(l.bank);
        QCOMPARE(w.windowTitle(), QStringLiteral("Postings - External Account "));
        // Postings style: no anchor row, no running balance.
        QCOMPARE(w.model()->rowCount(), 4);
        QVERIFY(w.Grid->isColumnHidden(PostingsModel::cRunBal));
        QCOMPARE(w.StatusLbl->text(), QStringLiteral("4 items  "));

        w.StatementRdio->click();
        QVERIFY(!w.Grid->isColumnHidden(PostingsModel::cRunBal));
        QCOMPARE(w.model()->rowCount(), 5);
        QCOMPARE(Cell(w, 0, PostingsModel::cDescription), QStringLiteral("B/fd from prior records"));
        QCOMPARE(Cell(w, 0, PostingsModel::cPlus), QStringLiteral("+100.00"));
        // The running balances shown are stored once the rows are painted.
        QTRY_VERIFY(!w.model()->list().balancesToStore);
        PstgRec p;
        QVERIFY(ReadPstg(l.core, last, l.bank, p));
        QCOMPARE(p.RngBal, 8900);

        w.PeriodRdio->click();
        QCOMPARE(w.model()->rowCount(), 4);
        QCOMPARE(Cell(w, 0, PostingsModel::cDescription), QStringLiteral("B/fd from prior period(s)"));
        QCOMPARE(Cell(w, 0, PostingsModel::cPlus), QStringLiteral("+95.00"));
        QCOMPARE(Cell(w, 0, PostingsModel::cDate), CalToDateStrDay(MakeDate(2024, 1, 1)));
        // The day: its date on the first row, its closing balance on the last.
        QCOMPARE(Cell(w, 1, PostingsModel::cDate), CalToDateStrDay(MakeDate(2024, 2, 1)));
        QCOMPARE(Cell(w, 2, PostingsModel::cDate), QString());
        QCOMPARE(Cell(w, 1, PostingsModel::cRunBal), QString());
        QCOMPARE(Cell(w, 3, PostingsModel::cRunBal), QStringLiteral("+89.00"));
        w.PeriodPlusRdio->click();
        QCOMPARE(Cell(w, 0, PostingsModel::cDescription), QStringLiteral("B/fd from prior period(s)"));
        QCOMPARE(w.NetTotalLbl->text(), QStringLiteral("Net = -6.00"));
        QVERIFY(l.prompter.messages().isEmpty());
        // In a window too narrow for the running balances the net total is
        // still shown whole.
        w.show();
        w.resize(w.minimumSizeHint().width(), w.height());
        QApplication::processEvents();
        QHeaderView* h = w.Grid->horizontalHeader();
        // The contra column widened by the user until the minus amounts end
        // at the grid's edge.
        const int minusEnd = h->sectionViewportPosition(PostingsModel::cMinus) + h->sectionSize(PostingsModel::cMinus);
        h->resizeSection(PostingsModel::cContra,
                         h->sectionSize(PostingsModel::cContra) + w.Grid->viewport()->width() - 10 - minusEnd);
        QVERIFY(h->sectionViewportPosition(PostingsModel::cRunBal) + h->sectionSize(PostingsModel::cRunBal) >
                w.Grid->viewport()->width());
        const QWidget* panel = w.NetTotalLbl->parentWidget();
        QVERIFY(w.NetTotalLbl->geometry().right() < panel->width());
        QVERIFY(!w.NetTotalLbl->geometry().intersects(w.MinusTotalLbl->geometry()));
    }

    void reconcileFromThePopupAndSum() {
        Ledger l;
        const int t1 = l.pay(100, MakeDate(2024, 2, 1));
        const int t2 = l.pay(200, MakeDate(2024, 2, 3));
        l.pay(300, MakeDate(2024, 2, 5));
        TFPstgs w(l.core, l.prompter);
        w.Open(l.bank);
        w.StatementRdio->click();
        w.SetCurrentRow(2); // t2
        w.PreparePopup();
        QVERIFY(!w.PostingReconItem->isChecked());
        w.PostingReconItem->trigger();
        QCOMPARE(Cell(w, 2, PostingsModel::cReconciled), QStringLiteral("pstg ok"));
        QCOMPARE(w.CurrentRow(), 2);

        w.PreparePopup();
        QVERIFY(w.PostingReconItem->isChecked());
        w.BalanceReconItem->trigger();
        const int z = RowOfTxn(w.model()->list(), t2 + 2);
        QVERIFY(z > 0);
        QCOMPARE(w.model()->list().rows[size_t(z)].txntype, 'Z');
        QCOMPARE(Cell(w, z, PostingsModel::cReconciled), QStringLiteral("BAL OK"));
        ObjRec bank;
        QVERIFY(ReadObj(l.core, l.bank, bank));
        QCOMPARE(bank.Reconciled, QStringLiteral("2024-02-03"));

        // Ctrl+click two rows and reconcile their sum.
        w.Grid->clearSelection();
        CtrlClickRow(w, 1);
        CtrlClickRow(w, 4);
        l.prompter.expectQuestion(QStringLiteral("2 postings selected sum to -4.00 - Reconcile?"), 'Y');
        w.SumItem->trigger();
        QVERIFY(l.prompter.allAnswered());
        PstgRec p;
        QVERIFY(ReadPstg(l.core, t1, l.bank, p));
        QCOMPARE(p.ReconCode, 1);
        w.Grid->clearSelection();
        w.SumItem->trigger();
        QCOMPARE(l.prompter.messages().last(), QStringLiteral("No postings selected to sum"));
    }

    void exportHasTheVisibleColumns() {
        Ledger l;
        l.pay(100, MakeDate(2024, 2, 1));
        l.pay(250, MakeDate(2024, 3, 1));
        TFPstgs w(l.core, l.prompter);
        l.core.settings().PostingsTypeVisible = false;
        w.Open(l.bank);
        w.ClipboardItem->trigger();
        const QStringList lines = FClpBd2().Memo->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QStringLiteral("KOVRAL Postings - External Account  \"Bank\"  B/fd bal = 100.00"));
        QCOMPARE(lines[1], QStringLiteral("Date\tTxn/Inst id\tContra\tPstg amt (+)\tPstg amt (-)\tReconciled\t"
                                          "Ctgy : Description\tRef"));
        QCOMPARE(lines[3],
                 CalToDateStrDay(MakeDate(2024, 3, 1)) + QStringLiteral("\t2\tShop\t\t-2.50\t\tGroceries : weekly\t"));
        QCOMPARE(QGuiApplication::clipboard()->text(), FClpBd2().Memo->toPlainText());
        qsizetype count = 0;
        for (const QString& s : lines)
            count += s.size();
        QCOMPARE(FClpBd2().StatusLbl->text(),
                 QStringLiteral(" ") + QString::number(count) + QStringLiteral(" characters"));
        FClpBd2().close();
    }
};

QTEST_MAIN(TFPstgsTest)
#include "TFPstgsTest.moc"
