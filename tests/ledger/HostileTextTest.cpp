// Hostile text in names, designations, notes, references, narratives and
// search texts: quotes, percent signs and underscores, backslashes, NUL
// characters, line breaks, right-to-left marks, emoji and texts of 10,000
// characters.  Every such text is bound as a parameter, never pasted into SQL,
// so it is stored and read back exactly, cut only to its column's width (Name
// 40, Desig 20, Ref 20, Narrative 40 UTF-16 code units, one fewer when the cut
// would split a surrogate pair; a Note is never cut), finds its own object by
// name and no other, and leaves the tables' layout as it was.
//
// NUL characters are kept, not stripped: the store binds text with its byte
// length and reads it back by its byte length, so "a\0b" is stored as three
// characters and is another name than "a".  The tests below pin that down.
#include "LedgerFixture.h"

#include "base/Text.h"

#include <algorithm>

namespace {

QString nul(const char* before, const char* after) {
    return QString::fromUtf8(before) + QChar(u'\0') + QString::fromUtf8(after);
}

// The hostile texts, each unique even when cut to 20 characters.
QStringList hostileTexts() {
    return {
        QStringLiteral("O'Brien's \"Cafe\""),
        QStringLiteral("'; DROP TABLE obj; --"),
        QStringLiteral("x') OR ('1'='1"),
        QStringLiteral("100% _under_ %%"),
        QStringLiteral("C:\\path\\to\\n\\0"),
        nul("nul", "inside"),
        nul("", "leading nul"),
        nul("trailing nul", ""),
        QStringLiteral("line\nbreak\r\n\ttab"),
        QStringLiteral("\u202Eright-to-left\u202C \u200F\u05E9\u05DC\u05D5\u05DD"),
        QStringLiteral("\U0001F4B6\U0001F4B7 \U0001F468\u200D\U0001F469\u200D\U0001F467 euro"),
        QStringLiteral("e\u0301 combining \uFEFF bom"),
        QStringLiteral("a").repeated(39) + QStringLiteral("\U0001F600 split at 40"),
        QStringLiteral("b").repeated(19) + QStringLiteral("\U0001F600 split at 20"),
        QStringLiteral("\U0001F600").repeated(5000), // 10,000 code units
        QStringLiteral("q'\"%_\\").repeated(1667).left(10000),
    };
}

// No lone half of a surrogate pair anywhere in the text.
bool wellFormed(const QString& s) {
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s.at(i).isHighSurrogate()) {
            if (i + 1 >= s.size() || !s.at(i + 1).isLowSurrogate())
                return false;
            ++i;
        } else if (s.at(i).isLowSurrogate()) {
            return false;
        }
    }
    return true;
}

class HostileText : public LedgerFixture {
protected:
    void SetUp() override {
        LedgerFixture::SetUp();
        schemaBefore = schema();
    }
    void TearDown() override {
        EXPECT_EQ(schema(), schemaBefore) << "a text changed the layout of the tables";
        EXPECT_TRUE(prompter.allAnswered());
    }

    // Every table, index and trigger of the nine files.
    QStringList schema() {
        QStringList out;
        for (const TableFile& t : LedgerTableFiles()) {
            const QString s =
                t.name == LedgerTableFiles().front().name ? QStringLiteral("main") : QString::fromLatin1(t.name);
            Query q(core.store(),
                    QStringLiteral("SELECT type, name, sql FROM \"%1\".sqlite_schema ORDER BY name").arg(s));
            while (q.next())
                out << s + QLatin1Char('|') + q.text("type") + QLatin1Char('|') + q.text("name") + QLatin1Char('|') +
                           q.text("sql");
        }
        return out;
    }

    int addNamed(int kind, const QString& name, const QString& desig, const QString& note) {
        ObjRec r;
        InitObjRec(r);
        r.Type = kind;
        r.Name = name;
        r.Desig = desig;
        r.CloseDate = IntToCal(kNotClosed);
        SetWriteNote(core, note);
        EXPECT_TRUE(AddObj(core, r));
        return r.Id;
    }

    QStringList schemaBefore;
};

} // namespace

TEST_F(HostileText, ObjectTextsAreStoredExactlyWithinTheirWidths) {
    const QStringList texts = hostileTexts();
    std::vector<int> ids;
    for (const QString& t : texts)
        ids.push_back(addNamed(otCpty, t, t, t + QStringLiteral(" note")));
    ASSERT_TRUE(prompter.messages().isEmpty()) << prompter.messages().join(QLatin1Char('|')).toStdString();

    for (size_t i = 0; i < ids.size(); ++i) {
        SCOPED_TRACE(i);
        const QString& t = texts[qsizetype(i)];
        ObjRec r;
        ASSERT_TRUE(ReadObj(core, ids[i], r));
        EXPECT_EQ(r.Name, LeftChars(t, 40));
        EXPECT_EQ(r.Desig, LeftChars(t, 20));
        EXPECT_EQ(Ledger(core).readNote, t + QStringLiteral(" note")); // a Memo is never cut
        EXPECT_LE(r.Name.size(), 40);
        EXPECT_LE(r.Desig.size(), 20);
        EXPECT_TRUE(wellFormed(r.Name) && wellFormed(r.Desig));
        EXPECT_EQ(r.Name, texts[qsizetype(i)].left(r.Name.size())); // a prefix, never altered
    }
    // The cuts that fall inside a pair keep the whole pair out.
    ObjRec r;
    ASSERT_TRUE(ReadObj(core, ids[12], r));
    EXPECT_EQ(r.Name.size(), 39);
    ASSERT_TRUE(ReadObj(core, ids[13], r));
    EXPECT_EQ(r.Desig.size(), 19);
    ASSERT_TRUE(ReadObj(core, ids[14], r));
    EXPECT_EQ(r.Name, QStringLiteral("\U0001F600").repeated(20));
    EXPECT_EQ(Ledger(core).readNote.size(), 10000 + 5);
}

TEST_F(HostileText, NamesFindTheirOwnObjectAndNoOther) {
    const QStringList texts = hostileTexts();
    std::vector<int> ids;
    for (const QString& t : texts)
        ids.push_back(addNamed(otPot, t, QString(), QString()));

    for (size_t i = 0; i < ids.size(); ++i) {
        SCOPED_TRACE(i);
        const QString& t = texts[qsizetype(i)];
        ObjRec found;
        prompter.clearRecorded();
        ASSERT_TRUE(NameExists(core, otPot, t, found));
        EXPECT_EQ(found.Id, ids[i]);
        ASSERT_EQ(prompter.messages().size(), 1);
        EXPECT_EQ(prompter.messages().front(),
                  QStringLiteral("Internal Account ") + Quote(LeftChars(t, 40)) + QStringLiteral("already exists"));
        // The same name in another kind is another object.
        EXPECT_FALSE(NameExists(core, otCtgy, t, found));
    }

    // Wildcards and quotes match only themselves.
    ObjRec found;
    prompter.clearRecorded();
    for (const QString& other :
         {QStringLiteral("100x xunderx %%"), QStringLiteral("100% _under_ %"), QStringLiteral("%"), QStringLiteral("_"),
          QStringLiteral("O'Brien's \"Cafe"), QStringLiteral("x' OR '1'='1"), QStringLiteral("nul"),
          QStringLiteral("nulinside"), nul("nul", "insidE!"), QStringLiteral("trailing nul"),
          QStringLiteral("leading nul"), QStringLiteral("\u202Eright-to-left\u202C"),
          QStringLiteral("C:\\\\path\\\\to\\\\n\\\\0")})
        EXPECT_FALSE(NameExists(core, otPot, other, found)) << other.toStdString();
    EXPECT_TRUE(prompter.messages().isEmpty());

    // The shared object-by-name query, bound by hand as the screens use it.
    Query q(core.store(), SharedSql::ObjectByName);
    q.bind("lname", LowerText(QStringLiteral("'; drop table obj; --"))).bind("acctype", int(otPot));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.integer("id"), ids[1]);
    EXPECT_FALSE(q.next());
}

TEST_F(HostileText, TransactionTextsAreStoredExactlyWithinTheirWidths) {
    const int bank = addObj(otExtAcc, QStringLiteral("Bank"));
    const int pot = addObj(otPot, QStringLiteral("Pot"));
    const QStringList texts = hostileTexts();
    std::vector<int> ids;
    for (const QString& t : texts) {
        TxnRec txn = txnOf(TxnType::Tfr, 100, D(2024, 3, 1), bank, 0, pot, 0);
        txn.Ref = t;
        txn.Narrative = t;
        ASSERT_TRUE(addWithPostings(txn));
        ids.push_back(txn.Id);
    }
    for (size_t i = 0; i < ids.size(); ++i) {
        SCOPED_TRACE(i);
        const QString& t = texts[qsizetype(i)];
        TxnRec txn;
        ASSERT_TRUE(ReadTxn(core, ids[i], txn));
        EXPECT_EQ(txn.Ref, LeftChars(t, 20));
        EXPECT_EQ(txn.Narrative, LeftChars(t, 40));
        EXPECT_TRUE(wellFormed(txn.Ref) && wellFormed(txn.Narrative));
        // What is stored is the cut text itself, not more.
        Query q(core.store(), QStringLiteral("SELECT Ref, Narrative FROM txn WHERE Id = :id"));
        q.bind("id", ids[i]);
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.text("Ref"), LeftChars(t, 20));
        EXPECT_EQ(q.text("Narrative"), LeftChars(t, 40));
        q.reset();
        // The sweeps-of-a-day query finds the transaction by its narrative
        // once it is marked as a sweep.
        Query mark(core.store(), QStringLiteral("UPDATE txn SET Ref = 'sweep' WHERE Id = :id"));
        ASSERT_TRUE(mark.bind("id", ids[i]).exec());
        Query sweeps(core.store(), SharedSql::SweepsOfDay);
        sweeps.bind("ref", LeftChars(t, 40)).bind("txndate", QStringLiteral("2024-03-01"));
        ASSERT_TRUE(sweeps.next());
        EXPECT_EQ(sweeps.integer("id"), ids[i]);
        EXPECT_FALSE(sweeps.next());
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM txn")), std::int64_t(texts.size()));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM pstg WHERE Txnid > 0")), 2 * std::int64_t(texts.size()));
}

TEST_F(HostileText, NulCharactersSurviveBindingAndReading) {
    const QString withNul = nul("ab", "cd");
    ASSERT_EQ(withNul.size(), 5);
    const int id = addNamed(otCtgy, withNul, withNul, withNul);
    // The stored value holds all five bytes.
    EXPECT_EQ(scalar(QStringLiteral("SELECT length(CAST(Name AS BLOB)) FROM obj WHERE Id = %1").arg(id)), 5);
    EXPECT_EQ(scalar(QStringLiteral("SELECT length(CAST(Note AS BLOB)) FROM obj WHERE Id = %1").arg(id)), 5);
    ObjRec r;
    ASSERT_TRUE(ReadObj(core, id, r));
    EXPECT_EQ(r.Name, withNul);
    EXPECT_EQ(r.Desig, withNul);
    EXPECT_EQ(Ledger(core).readNote, withNul);
    // lower() of the store keeps the NUL, so the name is found whole and the
    // part before the NUL is another name.
    ObjRec found;
    EXPECT_TRUE(NameExists(core, otCtgy, nul("AB", "CD"), found));
    EXPECT_EQ(found.Id, id);
    EXPECT_FALSE(NameExists(core, otCtgy, QStringLiteral("ab"), found));
    EXPECT_EQ(prompter.messages().size(), 1);
}

TEST_F(HostileText, GroupListsAndPathsCarryHostileNames) {
    const QStringList texts = hostileTexts();
    int parent = 0;
    std::vector<int> ids;
    // A chain of groups, each inside the one before.
    for (const QString& t : texts) {
        ObjRec g;
        InitObjRec(g);
        g.Type = otCtgyGrp;
        g.Name = t;
        g.Grpid = parent;
        ASSERT_TRUE(AddObj(core, g));
        ids.push_back(g.Id);
        parent = g.Id;
    }
    std::vector<IdTextRow> list;
    FillGroupList(core, list, otCtgyGrp, false);
    ASSERT_EQ(list.size(), texts.size() + 1); // "<none>" first
    for (size_t i = 0; i < ids.size(); ++i) {
        const auto it = std::find_if(list.begin(), list.end(), [&](const IdTextRow& r) { return r.id == ids[i]; });
        ASSERT_NE(it, list.end());
        EXPECT_TRUE(it->text.endsWith(LeftChars(texts[qsizetype(i)], 40))) << i;
    }
    // The path of the deepest names every group above it, in order.
    const QString path = GroupPath(core, ids.back());
    qsizetype from = 0;
    for (size_t i = 0; i + 1 < ids.size(); ++i) {
        const qsizetype at =
            path.indexOf(QLatin1Char(' ') + LeftChars(texts[qsizetype(i)], 40) + QStringLiteral(" :"), from);
        ASSERT_GE(at, from) << i;
        from = at + 1;
    }
}

TEST_F(HostileText, SearchTextsMatchOnlyWhatTheySay) {
    // The list searches compare by text, never by pattern.
    EXPECT_TRUE(ContainsText(QStringLiteral("%"), QStringLiteral("100% sure")));
    EXPECT_FALSE(ContainsText(QStringLiteral("%"), QStringLiteral("100 sure")));
    EXPECT_FALSE(ContainsText(QStringLiteral("_"), QStringLiteral("abc")));
    EXPECT_FALSE(ContainsText(QStringLiteral(".*"), QStringLiteral("abc")));
    EXPECT_TRUE(ContainsText(QStringLiteral("o'b"), QStringLiteral("O'Brien")));
    EXPECT_TRUE(ContainsText(QStringLiteral("\\n"), QStringLiteral("C:\\new")));
    EXPECT_FALSE(ContainsText(QStringLiteral("\\n"), QStringLiteral("line\nbreak")));
    EXPECT_TRUE(ContainsText(nul("", ""), nul("a", "b")));
    EXPECT_FALSE(ContainsText(nul("", ""), QStringLiteral("ab")));
}
