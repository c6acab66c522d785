// The program used as a user uses it, from the control window on a new data
// folder: accounts, pots, a counterparty and categories made through the
// editors; a payment, a receipt, a transfer and a repeater entered through the
// entry form; the balances and postings views read and one posting
// reconciled; a transaction found by its text; the analysis rebuilt; and the
// health check run.  Every figure shown is checked against the postings table.
#include "ModalDriver.h"
#include "base/Clock.h"
#include "data/Core.h"
#include "data/Store.h"
#include "forms/TFCtrl.h"
#include "forms/TFRpr.h"
#include "forms/WidgetPrompter.h"
#include "forms/analysis/TFMonthly.h"
#include "forms/analysis/TFanlsys.h"
#include "forms/entry/TFtxnip3.h"
#include "forms/objects/ObjEditor.h"
#include "forms/objects/TFAccs.h"
#include "forms/objects/TFCpty.h"
#include "forms/search/TFSearch.h"
#include "forms/views/TFBals.h"
#include "forms/views/TFPstgs.h"
#include "ledger/Analysis.h"
#include "ledger/StartUp.h"
#include "support/TempFolder.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>
#include <deque>
#include <map>

namespace {

// The real windows, with the message boxes replaced by a record and the
// questions answered from a list, each answer used once (an unexpected
// question is answered No and noted).
class AnsweringPrompter : public WidgetPrompter {
public:
    QStringList shown, unexpected;
    std::deque<std::pair<QString, char>> answers;

    void ShowMessage(const QString& text) override { shown << text; }
    void InfoAtCursor(const QString& text) override { shown << text; }
    char AskAtCursor(const QString& text) override {
        for (auto i = answers.begin(); i != answers.end(); ++i)
            if (i->first == text) {
                const char a = i->second;
                answers.erase(i);
                return a;
            }
        unexpected << text;
        return 'N';
    }
    void Flash(const QString& text) override { shown << text; }
};

} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT

    TempFolder m_program;
    AnsweringPrompter m_prompter;
    std::unique_ptr<FixedClock> m_clock;
    std::unique_ptr<TFCore> m_core;
    std::unique_ptr<TFCtrl> m_ctrl;
    std::map<QString, int> m_ids; // object name -> id
    std::deque<QString> m_picks;  // names the account picker is to choose, in order
    QStringList m_pickerMisses;
    QTimer m_pickerHand;

    TFCore& core() { return *m_core; }

    // Every opening of the account picker chooses the next queued name by
    // typing it and pressing Enter.
    void answerPicker() {
        auto* picker = dynamic_cast<TFAccs*>(QApplication::activeModalWidget());
        if (!picker || !picker->isVisible())
            return;
        if (m_picks.empty()) {
            m_pickerMisses << picker->windowTitle();
            picker->CancelBtn->click();
            return;
        }
        const QString name = m_picks.front();
        m_picks.pop_front();
        QTest::keyClicks(picker->SearchBox, name);
        QTest::keyClick(picker->SearchBox, Qt::Key_Return);
    }

    // The balances view of a kind, opened from the control window's menu.
    TFBals& balances(QAction* item) {
        item->trigger();
        return FBals(core());
    }

    // New, Account in the balances view: the editor with the name typed,
    // payer/payee ticked for a counterparty, and Enter.
    void newObject(QAction* listItem, const QString& name) {
        TFBals& bals = balances(listItem);
        WhenModal([&](QWidget* w) {
            auto* editor = dynamic_cast<ObjEditor*>(w);
            QVERIFY(editor);
            QTest::keyClicks(editor->NameBox, name);
            if (auto* cpty = dynamic_cast<TFCpty*>(editor)) {
                QTest::keyClick(cpty->PayeeChk, Qt::Key_Space);
                QTest::keyClick(cpty->PayerChk, Qt::Key_Space);
            }
            QTest::keyClick(editor->NameBox, Qt::Key_Return);
        });
        bals.NewAccountItem->trigger();
        m_ids[name] = IdOf(name);
        QVERIFY2(m_ids[name] > 0, qPrintable(name));
        bals.close();
    }

    int IdOf(const QString& name) {
        Query q(core().store(), QStringLiteral("SELECT Id FROM obj WHERE Name = :n"));
        q.bind("n", name);
        return q.next() ? q.integer("Id") : 0;
    }

    // Transactions, New on the control window; fill runs inside the form,
    // which is then added with Enter on the amount box.
    int enter(const std::function<void(TFtxnip3&)>& fill) {
        const int before = LastTxnId();
        WhenModal([&](QWidget* w) {
            auto* form = dynamic_cast<TFtxnip3*>(w);
            QVERIFY(form);
            fill(*form);
            QTest::keyClick(form->AmtBox, Qt::Key_Return);
            QVERIFY2(!form->isVisible(), qPrintable((m_prompter.shown + m_prompter.unexpected).join(" | ")));
        });
        m_ctrl->NewTxnItem->trigger();
        const int id = LastTxnId();
        return id > before ? id : 0;
    }
    int LastTxnId() {
        Query q(core().store(), QStringLiteral("SELECT MAX(Id) AS m FROM txn"));
        return q.next() ? q.integer("m") : 0;
    }
    static void type(QLineEdit* box, const QString& text) {
        box->selectAll();
        QTest::keyClicks(box, text);
    }
    void choose(QLineEdit* box, const QStringList& names) {
        m_picks.insert(m_picks.end(), names.begin(), names.end());
        QTest::keyClick(box, Qt::Key_F4);
        QVERIFY2(m_picks.empty(), qPrintable(box->objectName()));
    }

    // Sum of the postings of an object dated from .. to, as the tables hold
    // them.
    qint64 posted(int objId, const QString& from, const QString& upTo) {
        Query q(core().store(), QStringLiteral("SELECT COALESCE(SUM(Amt), 0) AS s FROM pstg WHERE Objid = :o AND "
                                               "Pstgdate >= :a AND Pstgdate <= :b"));
        q.bind("o", objId);
        q.bind("a", from);
        q.bind("b", upTo);
        return q.next() ? q.int64("s") : 0;
    }

private Q_SLOTS:
    void initTestCase() {
        m_clock = std::make_unique<FixedClock>(QDateTime(QDate(2024, 6, 15), QTime(10, 0)));
        m_core = std::make_unique<TFCore>(m_prompter);
        m_ctrl = std::make_unique<TFCtrl>(*m_core, m_prompter);
        m_ctrl->show();
        QCOMPARE(StartUp(*m_core, m_program.path()), OpenResult::Opened);
        m_ctrl->RefreshDetails();
        m_ctrl->setEnabled(true);
        connect(&m_pickerHand, &QTimer::timeout, this, &EndToEndTest::answerPicker);
        m_pickerHand.start(10);
    }
    void cleanup() {
        CloseModals();
        QCOMPARE(m_prompter.unexpected, QStringList());
        QCOMPARE(m_pickerMisses, QStringList());
    }
    void cleanupTestCase() {
        m_pickerHand.stop();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != m_ctrl.get())
                w->hide();
        m_ctrl->close();
        m_ctrl.reset();
        m_core.reset();
    }

    void theUsersDay() {
        const Settings& s = core().settings();
        QCOMPARE(CalToDateStr(s.Today), QStringLiteral("2024-06-15"));
        const QString at = CalToDateStr(s.BalAt);

        // The chart of accounts, through the editors.
        for (const char* name : {"Bank", "Cash"})
            newObject(m_ctrl->ExternalItem, QString::fromLatin1(name));
        for (const char* name : {"Food", "Savings"})
            newObject(m_ctrl->InternalItem, QString::fromLatin1(name));
        for (const char* name : {"Grocer", "Employer"})
            newObject(m_ctrl->CptysItem, QString::fromLatin1(name));
        for (const char* name : {"Groceries", "Wages"})
            newObject(m_ctrl->CtgysItem, QString::fromLatin1(name));

        // A payment, a receipt, a transfer and a monthly repeater, through
        // the entry form.
        const int payment = enter([&](TFtxnip3& f) {
            type(f.TxnDateBox, QStringLiteral("2024-03-02"));
            choose(f.AccAbox, {QStringLiteral("Bank")});
            choose(f.AccBbox, {QStringLiteral("Grocer"), QStringLiteral("Groceries")});
            choose(f.AccDbox, {QStringLiteral("Food")});
            type(f.DescrBox, QStringLiteral("Weekly SHOPPING"));
            type(f.AmtBox, QStringLiteral("45.67"));
        });
        QVERIFY(payment > 0);
        const int receipt = enter([&](TFtxnip3& f) {
            QTest::keyClick(f.RcptRdio, Qt::Key_Space);
            type(f.TxnDateBox, QStringLiteral("2024-03-28"));
            choose(f.AccBbox, {QStringLiteral("Employer"), QStringLiteral("Wages")});
            choose(f.AccDbox, {QStringLiteral("Savings")});
            type(f.DescrBox, QStringLiteral("March pay"));
            type(f.AmtBox, QStringLiteral("2,100.00"));
        });
        QVERIFY(receipt > 0);
        const int transfer = enter([&](TFtxnip3& f) {
            QTest::keyClick(f.TfrRdio, Qt::Key_Space);
            type(f.TxnDateBox, QStringLiteral("2024-04-02"));
            choose(f.AccAbox, {QStringLiteral("Bank")});
            choose(f.AccBbox, {QStringLiteral("Cash")});
            type(f.DescrBox, QStringLiteral("Cash machine"));
            type(f.AmtBox, QStringLiteral("100.00"));
        });
        QVERIFY(transfer > 0);
        // Dated before the accounts' first postings: the form asks for each.
        for (const char* name : {"Category \"Groceries\"", "External Account \"Bank\"", "Counterparty \"Grocer\"",
                                 "Internal Account \"Food\""})
            m_prompter.answers.push_back({QStringLiteral("Transaction pre-dates earliest for %1 on 2024-03-02 - OK ?")
                                              .arg(QString::fromUtf8(name)),
                                          'Y'});
        m_prompter.answers.push_back({QStringLiteral(" No reminder, are you sure?"), 'Y'});
        const int repeater = enter([&](TFtxnip3& f) {
            QTest::keyClick(f.PaytRdio, Qt::Key_Space);
            type(f.TxnDateBox, QStringLiteral("2024-01-10"));
            choose(f.AccAbox, {QStringLiteral("Bank")});
            // The counterparty's one category and its pot come by themselves.
            choose(f.AccBbox, {QStringLiteral("Grocer")});
            QCOMPARE(f.AccCbox->text(), QStringLiteral("Groceries"));
            QCOMPARE(f.AccDbox->text(), QStringLiteral("Food"));
            type(f.DescrBox, QStringLiteral("Veg box"));
            type(f.AmtBox, QStringLiteral("12.50"));
            f.Pages->setCurrentWidget(f.RepeatPage);
            QTest::keyClick(f.RptChk, Qt::Key_Space);
            QTest::keyClick(f.MthlyBtn, Qt::Key_Space);
        });
        QVERIFY(repeater > 0);
        {
            Query q(core().store(), QStringLiteral("SELECT count(*) AS n FROM txn WHERE Masterid > 0 AND "
                                                   "Narrative = 'Veg box' AND Txndate <= :at"));
            q.bind("at", at);
            QVERIFY(q.next());
            QCOMPARE(q.integer("n"), 6); // the 10th of January to June
        }

        // The balances views: each account's balance is what its postings
        // sum to (the rebalance runs first, as "Show values" asks).
        for (QAction* item : {m_ctrl->ExternalItem, m_ctrl->InternalItem, m_ctrl->CtgysItem}) {
            TFBals& bals = balances(item);
            QTest::keyClick(bals.ShowValuesBtn, Qt::Key_Space);
            // Categories show their movement in the period (all time here),
            // accounts their balance at its end.
            const bool movement = item == m_ctrl->CtgysItem;
            const int column = movement ? BalancesModel::ColNet : BalancesModel::ColBalance;
            QVERIFY(!bals.Grid->isColumnHidden(column));
            qint64 total = 0;
            for (int r = 0; r < bals.Model->rowCount(); ++r) {
                const qint64 sum = posted(bals.Model->Row(r).id, QString(), at);
                total += sum;
                QCOMPARE(bals.Model->index(r, column).data().toString(), FormatAmount64(sum, true));
            }
            QCOMPARE((movement ? bals.NetTotLbl : bals.BalTotLbl)->text(), FormatAmount64(total, true));
            QCOMPARE(bals.Model->rowCount(), 2);
            bals.close();
        }
        QVERIFY(!core().settings().RebalNeeded);

        // The postings of the bank from its row in the balances view; the
        // payment's posting reconciled from the popup.
        TFBals& bals = balances(m_ctrl->ExternalItem);
        QTest::keyClicks(bals.FindBox, QStringLiteral("Bank"));
        QCOMPARE(bals.Model->Row(bals.CurrentRow()).id, m_ids["Bank"]);
        QTest::keyClick(bals.Grid, Qt::Key_Return);
        TFPstgs& pstgs = FPstgs(core());
        QVERIFY(pstgs.isVisible());
        // Every posting of the account, the instance made ahead included.
        QCOMPARE(pstgs.NetTotalLbl->text(),
                 QStringLiteral("Net = ") + FormatAmountSigned(Amount(posted(m_ids["Bank"], QString(), "9999"))));
        const int row = RowOfTxn(pstgs.model()->list(), payment);
        QVERIFY(row >= 0);
        const QRect cell = pstgs.Grid->visualRect(pstgs.model()->index(row, PostingsModel::cContra));
        QTest::mouseClick(pstgs.Grid->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(pstgs.CurrentRow(), row);
        pstgs.PreparePopup();
        pstgs.PostingReconItem->trigger();
        {
            Query q(core().store(), QStringLiteral("SELECT ReconCode FROM pstg WHERE Txnid = :t AND Objid = :o"));
            q.bind("t", payment).bind("o", m_ids["Bank"]);
            QVERIFY(q.next());
            QVERIFY(q.integer("ReconCode") != 0);
        }
        pstgs.close();
        bals.close();

        // The payment found by a word of its description, in another case.
        m_ctrl->SearchItem->trigger();
        TFSearch& search = FSearch(core());
        QTest::keyClick(search.TextRdio, Qt::Key_Space);
        QTest::keyClicks(search.SearchBox, QStringLiteral("shopping"));
        QTest::keyClick(search.SearchBox, Qt::Key_Return);
        TFSearchR& found = FSearchR(core());
        QVERIFY(found.isVisible());
        QCOMPARE(found.Model->rowCount(), 1);
        QCOMPARE(found.CurrentId(), payment);
        found.close();

        // The analysis of the categories for the year to the end of the
        // period: each row's total and TOTALS as the postings give them.
        m_ctrl->AnalysisItem->trigger();
        TFanlsys& start = Fanlsys(core());
        QCOMPARE(start.EndDateBox->text(), at);
        QTest::keyClick(start.EndDateBox, Qt::Key_Return);
        TFMonthly& analysis = FMonthly(core());
        QVERIFY(analysis.isVisible());
        const QString yearStart = CalToDateStr(AnalysisStart(s.BalAt));
        const AnalysisGrid& grid = analysis.Grid();
        qint64 total = 0;
        int categories = 0;
        for (const AnalysisRow& r : grid.rows) {
            if (r.objId == 0)
                continue;
            const qint64 sum = posted(r.objId, yearStart, at);
            QCOMPARE(r.cells.back(), FormatTotalSigned(sum));
            total += sum;
            ++categories;
        }
        QCOMPARE(categories, 2);
        QCOMPARE(grid.rows.back().objId, 0);
        QCOMPARE(grid.rows.back().cells.back(), FormatTotalSigned(total));
        QCOMPARE(
            analysis.GridView->item(analysis.GridView->rowCount() - 1, analysis.GridView->columnCount() - 1)->text(),
            FormatTotalSigned(total));
        analysis.close();

        // The health check ends clean.
        m_ctrl->HealthcheckItem->trigger();
        const QStringList log = FRpr(core()).LogMemo->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(log.back(), QStringLiteral("All scans complete OK"));
        QCOMPARE(m_prompter.shown,
                 QStringList{QStringLiteral("Making directory \"%1Pre-healthcheck backups/\"").arg(m_program.path())});
    }
};

QTEST_MAIN(EndToEndTest)
#include "EndToEndTest.moc"
