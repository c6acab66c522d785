// Importing statements: states of the preview, entering new lines as the
// entry form does, overlapping files, matching, atomicity, closing balances.
#include "ledger/StatementImport.h"
#include "LedgerFixture.h"

class StatementImportTest : public LedgerFixture {
protected:
    int acc = 0, pot = 0, shop = 0, acme = 0, food = 0, pay = 0;

    void SetUp() override {
        LedgerFixture::SetUp();
        acc = addObj(otExtAcc, QStringLiteral("Current"));
        pot = addObj(otPot, QStringLiteral("General"));
        shop = addObj(otCpty, QStringLiteral("Corner Shop"));
        acme = addObj(otCpty, QStringLiteral("Acme"));
        food = addObj(otCtgy, QStringLiteral("Food"));
        pay = addObj(otCtgy, QStringLiteral("Pay"));
        ASSERT_TRUE(EnsureCptyCategory(core, shop, food, 'P'));
        ASSERT_TRUE(EnsureCptyCategory(core, acme, pay, 'S'));
        ObjRec c;
        ASSERT_TRUE(ReadObj(core, pay, c));
        c.PotType = pot;
        ASSERT_TRUE(WriteObj(core, c));
    }

    static StatementLine L(const CalDate& d, Amount a, const char* payee, const char* bankId = "") {
        StatementLine l;
        l.date = d;
        l.amount = a;
        l.payee = QString::fromUtf8(payee);
        l.bankId = QString::fromUtf8(bankId);
        return l;
    }

    ImportPreview preview(const std::vector<StatementLine>& lines, bool closing = false, Amount bal = 0) {
        Statement st;
        st.fileName = QStringLiteral("stmt.csv");
        st.lines = lines;
        for (size_t i = 0; i < st.lines.size(); ++i)
            st.lines[i].lineNo = int(i) + 2;
        st.hasClosing = closing;
        st.closingBalance = bal;
        st.closingDate = D(2024, 3, 31);
        ImportPreview p;
        EXPECT_TRUE(PreviewStatement(core, acc, st, p));
        return p;
    }

    std::int64_t count(const char* where) {
        return scalar(QStringLiteral("SELECT count(*) FROM ") + QString::fromUtf8(where));
    }
};

TEST_F(StatementImportTest, NewLinesEnterAsTheFormDoesAndAnOverlapAddsNothingTwice) {
    // Two identical payments on one day stay two; a shop's pot comes from the
    // ledger's default until its category remembers one.
    core.settings().DefaultPotId = pot;
    std::vector<StatementLine> first = {
        L(D(2024, 3, 5), -1234, "CORNER SHOP 123"), L(D(2024, 3, 5), -1234, "CORNER SHOP 123"),
        L(D(2024, 3, 6), 250000, "ACME LTD SALARY", "B7"), L(D(2024, 3, 7), -999, "MYSTERY")};
    ImportPreview p = preview(first);
    ASSERT_EQ(p.lines.size(), 4u);
    EXPECT_EQ(p.lines[0].state, LineState::New);
    EXPECT_EQ(p.lines[0].cptyId, shop);
    EXPECT_EQ(p.lines[0].ctgyId, food);
    EXPECT_EQ(p.lines[0].potId, pot);
    EXPECT_EQ(p.lines[2].cptyId, acme);
    EXPECT_EQ(p.lines[2].ctgyId, pay);
    EXPECT_FALSE(p.lines[3].complete());

    ImportResult r;
    EXPECT_FALSE(ImportPreviewLines(core, p, ImportOptions(), r)); // the mystery payee has no counterparty
    EXPECT_EQ(count("txn"), 0);
    p.lines[3].cptyId = shop;
    ProposeForCounterparty(core, p.lines[3]);
    ASSERT_TRUE(ImportPreviewLines(core, p, ImportOptions(), r)) << prompter.messages().join('|').toStdString();
    EXPECT_EQ(r.entered, 4);

    // Postings as the entry form makes them: money out debits the account.
    TxnRec t;
    ASSERT_TRUE(ReadTxn(core, p.lines[0].matchTxnId, t));
    EXPECT_EQ(t.Type, 'P');
    EXPECT_EQ(t.Amt, 1234);
    const std::vector<PstgRec> ps = postingsOf(t.Id);
    ASSERT_NE(find(ps, acc), nullptr);
    EXPECT_EQ(find(ps, acc)->Amt, -1234);
    EXPECT_EQ(find(ps, pot)->Amt, -1234);
    ASSERT_TRUE(ReadTxn(core, p.lines[2].matchTxnId, t));
    EXPECT_EQ(t.Type, 'R');
    EXPECT_EQ(find(postingsOf(t.Id), acc)->Amt, 250000);
    ObjRec ctgy;
    ASSERT_TRUE(ReadObj(core, food, ctgy));
    EXPECT_EQ(ctgy.PotType, pot); // the pot remembered for the category

    // The overlapping file: only the one line not seen before is new, and the
    // mystery payee now gets the counterparty chosen for it.
    core.settings().DefaultPotId = 0;
    first[2].payee = QStringLiteral("renamed by the bank");
    first.push_back(L(D(2024, 3, 8), -500, "MYSTERY"));
    ImportPreview again = preview(first);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(again.lines[i].state, LineState::Imported) << i;
    EXPECT_EQ(again.lines[4].state, LineState::New);
    EXPECT_EQ(again.lines[4].cptyId, shop);
    EXPECT_TRUE(again.lines[4].complete());
    ASSERT_TRUE(ImportPreviewLines(core, again, ImportOptions(), r));
    EXPECT_EQ(r.entered, 1);
    EXPECT_EQ(count("txn"), 5);
}

TEST_F(StatementImportTest, AMatchIsTakenByOneLineOnlyAndOnlyOnce) {
    TxnRec t = txnOf('P', 2000, D(2024, 3, 10), acc, shop, pot, food);
    ASSERT_TRUE(addWithPostings(t));
    const std::vector<StatementLine> lines = {L(D(2024, 3, 12), -2000, "Corner Shop"),
                                              L(D(2024, 3, 9), -2000, "Corner Shop"),
                                              L(D(2024, 3, 20), -2000, "Corner Shop"), L(D(2024, 3, 10), 2000, "x")};
    ImportPreview p = preview(lines);
    EXPECT_EQ(p.lines[0].state, LineState::New); // the nearer date takes the transaction
    EXPECT_EQ(p.lines[1].state, LineState::Matched);
    EXPECT_EQ(p.lines[1].matchTxnId, t.Id);
    EXPECT_EQ(p.lines[2].state, LineState::New); // outside the window of days
    EXPECT_EQ(p.lines[3].state, LineState::New); // money in does not match money out
    p.lines[0].state = p.lines[2].state = p.lines[3].state = LineState::Skip;
    ImportOptions o;
    o.reconcileMatched = true;
    ImportResult r;
    ASSERT_TRUE(ImportPreviewLines(core, p, o, r));
    EXPECT_EQ(r.matched, 1);
    EXPECT_EQ(r.reconciled, 1);
    PstgRec ps;
    ASSERT_TRUE(ReadPstg(core, t.Id, acc, ps));
    EXPECT_EQ(ps.ReconCode, 1);
    // Another file with the same payment does not match it again.
    ImportPreview next = preview({L(D(2024, 3, 11), -2000, "CORNER SHOP LONDON")});
    EXPECT_EQ(next.lines[0].state, LineState::New);
}

TEST_F(StatementImportTest, AStoreFailurePartWayLeavesTheLedgerAsItWas) {
    core.settings().DefaultPotId = pot;
    ImportPreview p = preview(
        {L(D(2024, 3, 5), -100, "Corner Shop"), L(D(2024, 3, 6), 100, "Acme"), L(D(2024, 3, 7), -300, "Corner Shop")});
    ASSERT_TRUE(
        core.store().exec(QStringLiteral("CREATE TEMP TRIGGER broken BEFORE INSERT ON imports.stmtline"
                                         " WHEN NEW.Amt = -300 BEGIN SELECT RAISE(ABORT, 'disk trouble'); END")));
    ImportResult r;
    EXPECT_FALSE(ImportPreviewLines(core, p, ImportOptions(), r));
    EXPECT_EQ(count("txn"), 0);
    EXPECT_EQ(count("pstg WHERE Txnid > 0"), 0);
    EXPECT_EQ(count("imports.stmtline"), 0);
    EXPECT_EQ(count("imports.payee"), 0);
    ObjRec ctgy;
    ASSERT_TRUE(ReadObj(core, food, ctgy));
    EXPECT_EQ(ctgy.PotType, 0);
    // Nothing was remembered: the same file previews as all new.
    ASSERT_TRUE(core.store().exec(QStringLiteral("DROP TRIGGER broken")));
    for (const ImportLine& il : preview({L(D(2024, 3, 5), -100, "Corner Shop")}).lines)
        EXPECT_EQ(il.state, LineState::New);
}

TEST_F(StatementImportTest, QuestionsAreGatheredFirstAndAnsweredOncePerKindForTheWholeImport) {
    // The account is reconciled to 10 March and closed after 20 March: two
    // lines alter the reconciled balance, one is on the closed account, two
    // ask nothing.  The preview writes nothing and asks nothing.
    core.settings().DefaultPotId = pot;
    ObjRec a;
    ASSERT_TRUE(ReadObj(core, acc, a));
    a.Reconciled = QStringLiteral("2024-03-10");
    a.CloseDate = D(2024, 3, 20);
    ASSERT_TRUE(WriteObj(core, a));
    const std::vector<StatementLine> lines = {
        L(D(2024, 3, 5), -100, "Corner Shop"), L(D(2024, 3, 12), -200, "Corner Shop"),
        L(D(2024, 3, 6), -300, "Corner Shop"), L(D(2024, 3, 14), 400, "Acme"), L(D(2024, 3, 25), -500, "Corner Shop")};
    const QString recon = QStringLiteral("Reconciled balance for account \"Current\" will be altered!\n"
                                         "Are you sure you want to add/amend/delete transaction?");
    const QString closed = QStringLiteral("Account \"Current\" is closed - transact anyway ?");
    ImportPreview p = preview(lines);
    EXPECT_EQ(p.lines[0].questions, QStringList{recon});
    EXPECT_TRUE(p.lines[1].questions.isEmpty());
    EXPECT_EQ(p.lines[4].questions, QStringList{closed});
    EXPECT_EQ(LineCheckNote(p.lines[2], p.confirmed), QStringLiteral("needs confirming: ") + recon.simplified());
    EXPECT_TRUE(prompter.events().empty());
    EXPECT_EQ(count("txn"), 0);
    ASSERT_TRUE(ReadObj(core, acc, a));
    EXPECT_EQ(CalToDateStr(a.CloseDate), QStringLiteral("2024-03-20"));

    // No to the reconciled balance skips its two lines, Yes to the closed
    // account enters its line without moving the close date.
    prompter.expectQuestion(recon + QStringLiteral(" (2 lines)"), 'N');
    prompter.expectQuestion(closed + QStringLiteral(" (1 line)"), 'Y');
    ASSERT_TRUE(ConfirmLineQuestions(core, p));
    EXPECT_EQ(p.lines[0].state, LineState::Skip);
    EXPECT_EQ(p.lines[2].state, LineState::Skip);
    ImportResult r;
    ASSERT_TRUE(ImportPreviewLines(core, p, ImportOptions(), r)) << prompter.messages().join('|').toStdString();
    EXPECT_EQ(r.entered, 3);
    EXPECT_EQ(count("txn WHERE Txndate = '2024-03-25'"), 1);
    ASSERT_TRUE(ReadObj(core, acc, a));
    EXPECT_EQ(CalToDateStr(a.CloseDate), QStringLiteral("2024-03-20"));

    // The skipped lines come again as new; confirmed, both go in.
    ImportPreview again = preview(lines);
    EXPECT_EQ(PendingQuestions(again).size(), 1u);
    prompter.expectQuestion(recon + QStringLiteral(" (2 lines)"), 'Y');
    ASSERT_TRUE(ConfirmLineQuestions(core, again));
    ASSERT_TRUE(ImportPreviewLines(core, again, ImportOptions(), r));
    EXPECT_EQ(r.entered, 2);
    EXPECT_EQ(count("txn"), 5);
    EXPECT_TRUE(prompter.allAnswered());
}

TEST_F(StatementImportTest, ARefusedOrUnconfirmedLineIsLeftOutAndTheOthersGoIn) {
    // One line before the ledger's start date (refused), one before the
    // reconciled balance (a question nobody confirmed) whose check first
    // moved the account's earliest date back: the import enters the other
    // two and undoes what the left-out line's checks wrote.
    core.settings().DefaultPotId = pot;
    core.settings().DBStartDate = D(2024, 3, 1);
    core.settings().Today = D(2024, 3, 1);
    ObjRec a;
    ASSERT_TRUE(ReadObj(core, acc, a));
    a.OpenDate = D(2024, 3, 10);
    a.Reconciled = QStringLiteral("2024-03-08");
    ASSERT_TRUE(WriteObj(core, a));
    ImportPreview p = preview({L(D(2024, 2, 20), -300, "Corner Shop"), L(D(2024, 3, 5), -100, "Corner Shop"),
                               L(D(2024, 3, 12), 100, "Acme"), L(D(2024, 3, 14), -700, "Corner Shop")});
    EXPECT_EQ(p.lines[0].refusal, QStringLiteral("Txn/pstg date before db start date"));
    ASSERT_EQ(p.lines[1].questions.size(), 1);
    EXPECT_TRUE(p.lines[1].questions[0].startsWith(QStringLiteral("Reconciled balance for account ")));
    EXPECT_TRUE(PendingQuestions(p).size() == 1 && PendingQuestions(p)[0].lines == 1);
    EXPECT_TRUE(prompter.messages().isEmpty());
    ImportResult r;
    ASSERT_TRUE(ImportPreviewLines(core, p, ImportOptions(), r)) << prompter.messages().join('|').toStdString();
    EXPECT_EQ(r.entered, 2);
    EXPECT_EQ(r.refused, 1);
    EXPECT_EQ(r.unconfirmed, 1);
    EXPECT_EQ(count("txn"), 2);
    EXPECT_EQ(count("imports.stmtline"), 2);
    ASSERT_TRUE(ReadObj(core, acc, a));
    EXPECT_EQ(CalToDateStr(a.OpenDate), QStringLiteral("2024-03-10"));
    EXPECT_TRUE(prompter.events().empty());

    // The same two lines again, imported without their checks run first.
    ImportPreview again = preview({L(D(2024, 2, 20), -300, "Corner Shop"), L(D(2024, 3, 5), -100, "Corner Shop")});
    for (ImportLine& il : again.lines) {
        il.questions.clear();
        il.refusal.clear();
    }
    ASSERT_TRUE(ImportPreviewLines(core, again, ImportOptions(), r));
    EXPECT_TRUE(r.entered == 0 && r.refused == 1 && r.unconfirmed == 1);
    ASSERT_TRUE(ReadObj(core, acc, a));
    EXPECT_EQ(CalToDateStr(a.OpenDate), QStringLiteral("2024-03-10"));
    EXPECT_EQ(count("txn"), 2);
}

TEST_F(StatementImportTest, ClosingBalanceRecordedOnlyWhenItAgrees) {
    core.settings().DefaultPotId = pot;
    const std::vector<StatementLine> lines = {L(D(2024, 3, 5), -1234, "Corner Shop"), L(D(2024, 3, 6), 10000, "Acme")};
    ImportPreview wrong = preview(lines, true, 9000);
    ImportResult r;
    ASSERT_TRUE(ImportPreviewLines(core, wrong, ImportOptions(), r));
    EXPECT_FALSE(r.closingRecorded);
    EXPECT_EQ(r.closingDifference, 234);
    EXPECT_TRUE(prompter.messages().contains(QStringLiteral(
        "Closing balance 90.00 on 2024-03-31 differs from the account's balance 87.66 by 2.34 - no reconciled "
        "balance recorded")));
    EXPECT_EQ(count("txn WHERE Type = 'Z'"), 0);
    EXPECT_EQ(count("txn"), 2);

    ImportPreview right = preview({L(D(2024, 3, 7), -766, "Corner Shop")}, true, 8000);
    ASSERT_TRUE(ImportPreviewLines(core, right, ImportOptions(), r));
    EXPECT_TRUE(r.closingRecorded);
    EXPECT_EQ(count("txn WHERE Type = 'Z' AND Amt = 8000"), 1);
    ObjRec a;
    ASSERT_TRUE(ReadObj(core, acc, a));
    EXPECT_EQ(a.Reconciled, QStringLiteral("2024-03-31"));
}

TEST_F(StatementImportTest, ChoicesMadeInThePreviewAreWhatIsEnteredAndEachLineSeesTheLastOnesWrites) {
    // Food remembers pot "General"; the first line is moved to pot "Treats",
    // the second keeps "General" and the third goes to category Pay (whose
    // default pot comes with it).  Each line's commit rewrites Food's
    // remembered pot: an object kept from before the previous line's write
    // would ask about downdating it, or leave it at "Treats".
    const int treats = addObj(otPot, QStringLiteral("Treats"));
    ObjRec f;
    ASSERT_TRUE(ReadObj(core, food, f));
    f.PotType = pot;
    ASSERT_TRUE(WriteObj(core, f));
    ImportPreview p = preview({L(D(2024, 3, 5), -100, "CORNER SHOP"), L(D(2024, 3, 6), -200, "CORNER SHOP 2"),
                               L(D(2024, 3, 7), -300, "CORNER SHOP 3")});
    ASSERT_EQ(p.lines[1].potId, pot);
    EXPECT_FALSE(SetLinePot(core, p.lines[0], food)); // not a pot: unchanged
    ASSERT_TRUE(SetLinePot(core, p.lines[0], treats));
    ASSERT_TRUE(SetLineCategory(core, p.lines[2], pay));
    EXPECT_EQ(p.lines[2].potId, pot);
    EXPECT_EQ(p.lines[2].potName, QStringLiteral("General"));

    ImportResult r;
    ASSERT_TRUE(ImportPreviewLines(core, p, ImportOptions(), r)) << prompter.messages().join('|').toStdString();
    TxnRec t;
    ASSERT_TRUE(ReadTxn(core, p.lines[0].matchTxnId, t));
    EXPECT_EQ(t.Accid3, treats);
    EXPECT_EQ(t.Accid4, food);
    ASSERT_TRUE(ReadTxn(core, p.lines[2].matchTxnId, t));
    EXPECT_EQ(t.Accid4, pay);
    ASSERT_TRUE(ReadObj(core, food, f));
    EXPECT_EQ(f.PotType, pot);
    // The new link of the shop to Pay is made as the entry form makes it.
    const QByteArray link = "cptypot WHERE Cptyid = " + QByteArray::number(shop) +
                            " AND Potid = " + QByteArray::number(pay) + " AND Purchsale = 'P'";
    EXPECT_EQ(count(link.constData()), 1);
}
