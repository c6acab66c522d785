#include "ledger/StatementImport.h"

#include "base/Clock.h"

#include "base/Prompter.h"
#include "base/Text.h"
#include "data/Core.h"
#include "data/Profile.h"
#include "data/SettingsFile.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "ledger/Entry.h"
#include "ledger/LedgerState.h"
#include "ledger/Objects.h"
#include "ledger/Repeaters.h"
#include "ledger/Transactions.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <map>
#include <sqlite3.h>

namespace {

const QString kImportSection = QStringLiteral("import");

QString Normalised(const QString& description) {
    return description.simplified().toLower();
}

// The counterparty's visible category links for a direction ('P' or 'S').
std::vector<int> CategoryLinks(TFCore& core, int cptyId, char purchsale) {
    std::vector<int> out;
    Query q(core.store(), QStringLiteral("SELECT c.Potid FROM cptypot c JOIN obj o ON o.Id = c.Potid"
                                         " WHERE c.Cptyid = :c AND c.Purchsale = :p AND coalesce(c.Hidden, 0) = 0"
                                         " AND o.Type = :t ORDER BY c.Potid"));
    q.bind("c", cptyId).bind("p", QString(QLatin1Char(purchsale))).bind("t", int(otCtgy));
    while (q.next())
        out.push_back(q.integer("Potid"));
    return out;
}

// Reads id when it is an object of kind; with a date, only when it is open
// then (a proposal never leads to the question about a closed account).
bool ReadKind(TFCore& core, int id, int kind, ObjRec& rec, const CalDate* openAt = nullptr) {
    if (id <= 0)
        return false;
    {
        NotFoundQuiet quiet(core);
        if (!ReadObj(core, id, rec))
            return false;
    }
    if (rec.Type != kind)
        return false;
    return !openAt || (!DateBefore(rec.CloseDate, *openAt) && !DateBefore(*openAt, rec.OpenDate));
}

} // namespace

QString LineStateName(LineState s) {
    switch (s) {
    case LineState::New:
        return QStringLiteral("new");
    case LineState::Matched:
        return QStringLiteral("matched");
    case LineState::Imported:
        return QStringLiteral("imported");
    case LineState::Skip:
        return QStringLiteral("skip");
    }
    return QString();
}

int ImportMatchDays(TFCore& core) {
    const Profile p(SettingsPath(core.dataFolder()));
    const int days = p.readInt(kImportSection, QStringLiteral("MatchDays"), 3);
    return days < 0 ? 0 : (days > 31 ? 31 : days);
}

bool AttachImportKeys(TFCore& core) {
    Store& store = core.store();
    {
        Query q(store, QStringLiteral("SELECT count(*) FROM pragma_database_list WHERE name = 'imports'"));
        const bool attached = q.next() && q.int64(0) > 0;
        q.reset();
        if (attached)
            return true;
    }
    QString path = store.folder() + QStringLiteral("IMPORTS.DB");
    // The store opens existing files only; an empty file is an empty database.
    if (!QFileInfo::exists(path)) {
        QFile made(path);
        if (!made.open(QIODevice::WriteOnly)) {
            core.prompter().ShowMessage(QStringLiteral("Unable to write to ") + path);
            return false;
        }
    }
    path.replace(QLatin1Char('\''), QStringLiteral("''"));
    return store.exec(QStringLiteral("ATTACH DATABASE '") + path + QStringLiteral("' AS imports")) &&
           store.exec(QStringLiteral("PRAGMA imports.journal_mode=DELETE")) &&
           store.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS imports.stmtline ("
                                     "Accid INTEGER NOT NULL, LineKey TEXT NOT NULL, Txnid INTEGER NOT NULL,"
                                     " Txndate TEXT, Amt INTEGER, Descr TEXT, ImportTS TEXT,"
                                     " PRIMARY KEY (Accid, LineKey)) STRICT;"
                                     "CREATE TABLE IF NOT EXISTS imports.payee ("
                                     "Descr TEXT PRIMARY KEY, Cptyid INTEGER, Ctgyid INTEGER, Potid INTEGER) STRICT"));
}

std::vector<QString> StatementLineKeys(const Statement& statement) {
    std::vector<QString> keys;
    keys.reserve(statement.lines.size());
    QHash<QString, int> seen;
    for (const StatementLine& l : statement.lines) {
        if (!l.bankId.isEmpty()) {
            keys.push_back(QStringLiteral("id:") + l.bankId);
            continue;
        }
        const QString fp = QStringLiteral("fp:") + CalToDateStr(l.date) + QLatin1Char('|') + QString::number(l.amount) +
                           QLatin1Char('|') + Normalised(l.description());
        const int n = ++seen[fp];
        keys.push_back(fp + QLatin1Char('|') + QString::number(n));
    }
    return keys;
}

void ProposeForCounterparty(TFCore& core, ImportLine& il) {
    il.ctgyId = il.potId = 0;
    il.ctgyName.clear();
    il.potName.clear();
    ObjRec cpty;
    if (!ReadKind(core, il.cptyId, otCpty, cpty)) {
        il.cptyId = 0;
        il.cptyName.clear();
        return;
    }
    il.cptyName = cpty.Name;
    const bool payment = il.line.amount < 0;
    const std::vector<int> links = CategoryLinks(core, cpty.Id, payment ? 'P' : 'S');
    if (links.size() == 1) {
        il.ctgyId = links[0];
    } else if (links.size() > 1) {
        Query q(core.store(), QStringLiteral("SELECT Accid4 FROM txn WHERE Accid2 = :c AND Type IN (:a, :b)"
                                             " ORDER BY Txndate DESC, Id DESC LIMIT 1"));
        q.bind("c", cpty.Id)
            .bind("a", payment ? QStringLiteral("P") : QStringLiteral("R"))
            .bind("b", payment ? QStringLiteral("X") : QStringLiteral("Y"));
        int last = 0;
        if (q.next())
            last = q.integer("Accid4");
        q.reset();
        il.ctgyId = links[0];
        for (int id : links)
            if (id == last)
                il.ctgyId = id;
    }
    const CalDate* at = &il.line.date;
    ObjRec ctgy, pot;
    if (il.ctgyId > 0 && !ReadKind(core, il.ctgyId, otCtgy, ctgy, at))
        il.ctgyId = 0;
    if (il.ctgyId > 0) {
        il.ctgyName = ctgy.Name;
        if (ReadKind(core, ctgy.PotType, otPot, pot, at))
            il.potId = pot.Id;
    }
    if (il.potId == 0 && ReadKind(core, payment ? cpty.PayerDftPot : cpty.PayeeDftPot, otPot, pot, at))
        il.potId = pot.Id;
    if (il.potId == 0 && ReadKind(core, core.settings().DefaultPotId, otPot, pot, at))
        il.potId = pot.Id;
    if (il.potId > 0)
        il.potName = pot.Name;
}

bool SetLineCategory(TFCore& core, ImportLine& il, int ctgyId) {
    ObjRec ctgy, pot;
    if (!ReadKind(core, ctgyId, otCtgy, ctgy))
        return false;
    il.ctgyId = ctgy.Id;
    il.ctgyName = ctgy.Name;
    if (ReadKind(core, ctgy.PotType, otPot, pot, &il.line.date)) {
        il.potId = pot.Id;
        il.potName = pot.Name;
    }
    return true;
}

bool SetLinePot(TFCore& core, ImportLine& il, int potId) {
    ObjRec pot;
    if (!ReadKind(core, potId, otPot, pot))
        return false;
    il.potId = pot.Id;
    il.potName = pot.Name;
    return true;
}

bool PreviewStatement(TFCore& core, int accountId, const Statement& statement, ImportPreview& preview) {
    ObjRec account;
    if (!ReadObj(core, accountId, account))
        return false;
    if (account.Type != otExtAcc) {
        core.prompter().ShowMessage(QStringLiteral("\"") + account.Name +
                                    QStringLiteral("\" is not an external account - nothing to import into"));
        return false;
    }
    if (!AttachImportKeys(core))
        return false;
    // Reading an object parses its time stamps, which costs more than the
    // rest of a line: each is read once per preview.
    ObjectReadCache cache(core);
    ImportPreview p;
    p.accountId = accountId;
    p.accountName = account.Name;
    p.statement = statement;
    p.matchDays = ImportMatchDays(core);
    const std::vector<QString> keys = StatementLineKeys(statement);
    Store& store = core.store();
    store.beginRead();

    // Keys already imported into this account.
    QHash<QString, int> known;
    QSet<int> takenTxns;
    {
        Query q(store, QStringLiteral("SELECT LineKey, Txnid FROM imports.stmtline WHERE Accid = :a"));
        q.bind("a", accountId);
        while (q.next()) {
            known.insert(q.text("LineKey"), q.integer("Txnid"));
            takenTxns.insert(q.integer("Txnid"));
        }
    }

    // The account's postings over the statement's dates, by amount.
    struct Candidate {
        int txnid;
        DateInt date;
        CalDate cal;
        QString narrative;
    };
    std::map<Amount, std::vector<Candidate>> byAmount;
    if (!statement.lines.empty()) {
        CalDate lo = statement.lines[0].date, hi = lo;
        for (const StatementLine& l : statement.lines) {
            if (DateBefore(l.date, lo))
                lo = l.date;
            if (DateAfter(l.date, hi))
                hi = l.date;
        }
        CalDate fromDate = lo, toDate = hi;
        PrevDays(fromDate, p.matchDays);
        for (int i = 0; i < p.matchDays; ++i)
            NextDay(toDate);
        Query q(store, QStringLiteral("SELECT p.Txnid, p.Amt, p.Pstgdate, t.Narrative FROM pstg p"
                                      " JOIN txn t ON t.Id = p.Txnid"
                                      " WHERE p.Objid = :a AND p.Txnid > 0 AND p.Txntype NOT IN ('A', 'D', 'Z')"
                                      " AND p.Amt <> 0 AND p.Pstgdate BETWEEN :f AND :t"));
        q.bind("a", accountId).bind("f", CalToDateStr(fromDate)).bind("t", CalToDateStr(toDate));
        while (q.next()) {
            const int txnid = q.integer("Txnid");
            if (takenTxns.contains(txnid))
                continue;
            const CalDate d = DateStrToCal(q.text("Pstgdate"));
            byAmount[Amount(q.integer("Amt"))].push_back({txnid, CalToInt(d), d, q.text("Narrative")});
        }
    }

    // Counterparty names, longest first, for proposals.
    struct Cpty {
        int id;
        QString lower;
    };
    std::vector<Cpty> cptys;
    {
        Query q(store, QStringLiteral("SELECT Id, Name FROM obj WHERE Type = :t"));
        q.bind("t", int(otCpty));
        while (q.next()) {
            const QString n = Normalised(q.text("Name"));
            if (n.size() >= 3)
                cptys.push_back({q.integer("Id"), n});
        }
        std::stable_sort(cptys.begin(), cptys.end(),
                         [](const Cpty& a, const Cpty& b) { return a.lower.size() > b.lower.size(); });
    }
    QHash<QString, ImportLine> proposalCache;
    // Category and pot by counterparty and direction, worked out once.
    struct Proposal {
        int cpty, ctgy, pot;
        QString cptyName, ctgyName, potName;
    };
    QHash<std::int64_t, Proposal> byCpty;
    auto propose = [&](ImportLine& il) {
        const std::int64_t k = std::int64_t(il.cptyId) * 2 + (il.line.amount < 0 ? 1 : 0);
        const auto it = byCpty.constFind(k);
        ObjRec r;
        if (it != byCpty.constEnd() && (it->ctgy == 0 || ReadKind(core, it->ctgy, otCtgy, r, &il.line.date)) &&
            (it->pot == 0 || ReadKind(core, it->pot, otPot, r, &il.line.date))) {
            il.cptyId = it->cpty;
            il.ctgyId = it->ctgy;
            il.potId = it->pot;
            il.cptyName = it->cptyName;
            il.ctgyName = it->ctgyName;
            il.potName = it->potName;
            return;
        }
        ProposeForCounterparty(core, il);
        byCpty.insert(k, {il.cptyId, il.ctgyId, il.potId, il.cptyName, il.ctgyName, il.potName});
    };

    // Lines seen before.
    p.lines.resize(statement.lines.size());
    for (size_t i = 0; i < statement.lines.size(); ++i) {
        ImportLine& il = p.lines[i];
        il.line = statement.lines[i];
        il.key = keys[i];
        il.state = il.line.amount == 0 ? LineState::Skip : LineState::New;
        const auto k = known.constFind(il.key);
        if (k != known.constEnd()) {
            il.state = LineState::Imported;
            il.matchTxnId = k.value();
        }
    }
    // Matches: every (line, transaction) pair within the window, nearest
    // dates first, each line and each transaction taken once.
    struct Pair {
        std::int64_t gap;
        size_t line;
        Candidate* cand;
    };
    std::vector<Pair> pairs;
    for (size_t i = 0; i < p.lines.size(); ++i) {
        const ImportLine& il = p.lines[i];
        if (il.state != LineState::New)
            continue;
        auto c = byAmount.find(il.line.amount);
        if (c == byAmount.end())
            continue;
        const std::int64_t day = DayNumber(il.line.date);
        for (Candidate& cand : c->second) {
            const std::int64_t gap = std::llabs(DayNumber(cand.cal) - day);
            if (gap <= p.matchDays)
                pairs.push_back({gap, i, &cand});
        }
    }
    std::stable_sort(pairs.begin(), pairs.end(), [](const Pair& a, const Pair& b) { return a.gap < b.gap; });
    QSet<int> matched;
    for (const Pair& pr : pairs) {
        ImportLine& il = p.lines[pr.line];
        if (il.state != LineState::New || matched.contains(pr.cand->txnid))
            continue;
        matched.insert(pr.cand->txnid);
        il.state = LineState::Matched;
        il.matchTxnId = pr.cand->txnid;
        il.matchDate = pr.cand->cal;
        il.matchText = pr.cand->narrative;
    }

    for (ImportLine& il : p.lines) {
        if (il.state != LineState::New)
            continue;
        const QString desc = Normalised(il.line.description());
        const QString cacheKey = desc + (il.line.amount < 0 ? QStringLiteral("|P") : QStringLiteral("|R"));
        const auto cached = proposalCache.constFind(cacheKey);
        if (cached != proposalCache.constEnd()) {
            il.cptyId = cached->cptyId;
            il.ctgyId = cached->ctgyId;
            il.potId = cached->potId;
            il.cptyName = cached->cptyName;
            il.ctgyName = cached->ctgyName;
            il.potName = cached->potName;
            continue;
        }
        bool remembered = false;
        {
            Query q(store, QStringLiteral("SELECT Cptyid, Ctgyid, Potid FROM imports.payee WHERE Descr = :d"));
            q.bind("d", desc);
            if (q.next()) {
                il.cptyId = q.integer("Cptyid");
                const int ctgy = q.integer("Ctgyid"), pot = q.integer("Potid");
                q.reset();
                ObjRec r;
                if (ReadKind(core, il.cptyId, otCpty, r, &il.line.date)) {
                    il.cptyName = r.Name;
                    remembered = true;
                    if (ReadKind(core, ctgy, otCtgy, r, &il.line.date)) {
                        il.ctgyId = ctgy;
                        il.ctgyName = r.Name;
                    }
                    if (ReadKind(core, pot, otPot, r, &il.line.date)) {
                        il.potId = pot;
                        il.potName = r.Name;
                    }
                    if (!il.complete()) {
                        propose(il);
                    }
                }
            }
        }
        if (!remembered) {
            ObjRec r;
            for (const Cpty& cp : cptys)
                if (desc.contains(cp.lower) && ReadKind(core, cp.id, otCpty, r, &il.line.date)) {
                    il.cptyId = cp.id;
                    break;
                }
            if (il.cptyId > 0)
                propose(il);
        }
        proposalCache.insert(cacheKey, il);
    }
    store.commit();
    preview = std::move(p);
    return CheckNewLines(core, preview);
}

namespace {

bool RecordKey(TFCore& core, int accountId, const ImportLine& il, int txnid, const QDateTime& importTs) {
    Query q(core.store(), QStringLiteral("INSERT OR REPLACE INTO imports.stmtline"
                                         " (Accid, LineKey, Txnid, Txndate, Amt, Descr, ImportTS)"
                                         " VALUES (:a, :k, :t, :d, :m, :s, :ts)"));
    q.bind("a", accountId)
        .bind("k", il.key)
        .bind("t", txnid)
        .bind("d", CalToDateStr(il.line.date))
        .bind("m", il.line.amount)
        .bind("s", il.line.description())
        .bindDateTime("ts", importTs);
    return q.exec();
}

bool RememberPayee(TFCore& core, const ImportLine& il) {
    const QString desc = Normalised(il.line.description());
    if (desc.isEmpty())
        return true;
    Query q(core.store(), QStringLiteral("INSERT OR REPLACE INTO imports.payee (Descr, Cptyid, Ctgyid, Potid)"
                                         " VALUES (:d, :c, :g, :p)"));
    q.bind("d", desc).bind("c", il.cptyId).bind("g", il.ctgyId).bind("p", il.potId);
    return q.exec();
}

const QString kForwardCloseDate = QStringLiteral("Forward-date account close date to transaction date?");

// Takes the user's place while one line's entry checks run: messages are the
// line's refusal, questions are answered from the confirmed list (every one
// Yes while gathering, when there is none) and kept.  Status, notices and
// progress still reach the user.
class LinePrompter : public Prompter {
public:
    LinePrompter(Prompter& user, const QStringList* confirmed) : m_user(user), m_confirmed(confirmed) {}

    QStringList questions;
    QString refusal;
    bool declined = false;

    void clear() {
        questions.clear();
        refusal.clear();
        declined = false;
    }

    void ShowMessage(const QString& text) override { refuse(text); }
    void InfoAtCursor(const QString& text) override { refuse(text); }
    char AskAtCursor(const QString& text) override {
        if (text == kForwardCloseDate)
            return 'N';
        if (!questions.contains(text))
            questions << text;
        if (!m_confirmed || m_confirmed->contains(text))
            return 'Y';
        declined = true;
        return 'N';
    }
    bool InputString(const QString& prompt1, const QString&, QString&) override {
        refuse(prompt1);
        return false;
    }
    int Choose(const QString& question, const QString&, const QString&) override {
        refuse(question);
        return 0;
    }
    bool PickDate(CalDate&) override { return false; }
    void ShowStatus(const QString& text) override { m_user.ShowStatus(text); }
    void Notice(const QString& text) override { m_user.Notice(text); }
    void Flash(const QString& text) override { m_user.Flash(text); }
    void Progress(const QString& text) override { m_user.Progress(text); }
    void ProcessEvents() override { m_user.ProcessEvents(); }

protected:
    void SetBusyCursor(bool) override {}

private:
    void refuse(const QString& text) {
        if (refusal.isEmpty())
            refusal = text;
    }

    Prompter& m_user;
    const QStringList* m_confirmed;
};

// The core's prompter replaced for a scope.
class PrompterSwap {
public:
    PrompterSwap(TFCore& core, Prompter& p) : m_core(core), m_old(core.swapPrompter(&p)) {}
    ~PrompterSwap() { m_core.swapPrompter(m_old); }
    PrompterSwap(const PrompterSwap&) = delete;
    PrompterSwap& operator=(const PrompterSwap&) = delete;

private:
    TFCore& m_core;
    Prompter* m_old;
};

// The entry form as the user would fill it for a New line.
bool LineForm(TFCore& core, const ObjRec& account, const ImportLine& il, EntryForm& form) {
    form.kind = il.line.amount < 0 ? 'P' : 'R';
    form.actualTicked = true;
    form.actualText = CalToDateStr(il.line.date);
    const Amount64 magnitude = il.line.amount < 0 ? -Amount64(il.line.amount) : il.line.amount;
    form.amountText = FormatAmount(Amount(magnitude));
    form.description = il.line.description();
    form.reference = il.line.ref;
    form.external = account;
    return ReadObj(core, il.cptyId, form.counterparty) && ReadObj(core, il.ctgyId, form.category) &&
           ReadObj(core, il.potId, form.internal);
}

// The checks of a New line as the entry commit runs them, without storing
// the transaction.
bool CheckLine(TFCore& core, const ObjRec& account, const ImportLine& il) {
    EntryForm form;
    TxnRec n, none;
    EntryExtras extras;
    InitTxnRec(none);
    return LineForm(core, account, il, form) && ValidateEntry(core, form, n, extras) &&
           CheckReconciledBalances(core, none, n) && CheckProviderBypass(core, n);
}

bool EnterLine(TFCore& core, const ObjRec& account, const ImportLine& il, int& txnid) {
    EntryForm form;
    if (!LineForm(core, account, il, form))
        return false;
    TxnRec n;
    EntryExtras extras;
    if (!ValidateEntry(core, form, n, extras))
        return false;
    TxnRec none;
    InitTxnRec(none);
    if (!CommitEntry(core, 'N', none, n, extras))
        return false;
    txnid = n.Id;
    return true;
}

// The account's balance at the end of date: brought forward plus every
// posting dated on or before it.
Amount64 BalanceAt(TFCore& core, const ObjRec& account, const CalDate& date) {
    Query q(core.store(), QStringLiteral("SELECT coalesce(sum(Amt), 0) FROM pstg WHERE Objid = :a AND Txnid > 0"
                                         " AND Txntype NOT IN ('A', 'D', 'Z') AND Pstgdate <= :d"));
    q.bind("a", account.Id).bind("d", CalToDateStr(date));
    Amount64 sum = 0;
    if (q.next())
        sum = q.int64(0);
    q.reset();
    return Amount64(account.BfdBal) + sum;
}

QString LineLabel(const ImportPreview& p, const ImportLine& il) {
    return QStringLiteral("Line ") + QString::number(il.line.lineNo) + QStringLiteral(" of ") + p.statement.fileName;
}

QString FormatAmount64(Amount64 v) {
    if (FitsAmount(v))
        return FormatAmount(Amount(v));
    return QString::number(v / 100) + QStringLiteral(".") + PadNumber(v < 0 ? -(v % 100) : v % 100, 2);
}

} // namespace

bool CheckNewLines(TFCore& core, ImportPreview& preview) {
    ObjRec account;
    if (!ReadObj(core, preview.accountId, account))
        return false;
    Store& store = core.store();
    ObjectReadCache cache(core);
    StoreTransaction st(store);
    const QString savepoint = QStringLiteral("importcheck");
    if (!st.ok() || !store.savepoint(savepoint))
        return false;
    bool ok = true;
    {
        LinePrompter lp(core.prompter(), nullptr);
        PrompterSwap swap(core, lp);
        for (ImportLine& il : preview.lines) {
            il.questions.clear();
            il.refusal.clear();
            if (il.state != LineState::New || !il.complete())
                continue;
            lp.clear();
            if (!CheckLine(core, account, il) && lp.refusal.isEmpty() && !lp.declined)
                lp.refusal = QStringLiteral("could not be entered");
            if (store.doomed() && !store.lastError().isEmpty()) {
                ok = false; // the store failed, not a check
                break;
            }
            il.questions = lp.questions;
            il.refusal = lp.refusal;
        }
    }
    const bool undone = store.rollbackToSavepoint(savepoint);
    ObjectReadCache::ForgetAll(core);
    return st.commit() && undone && ok;
}

std::vector<LineQuestion> PendingQuestions(const ImportPreview& preview) {
    std::vector<LineQuestion> out;
    for (const ImportLine& il : preview.lines) {
        if (il.state != LineState::New || !il.complete() || !il.refusal.isEmpty())
            continue;
        for (const QString& q : il.questions) {
            if (preview.confirmed.contains(q))
                continue;
            auto it = std::find_if(out.begin(), out.end(), [&](const LineQuestion& x) { return x.text == q; });
            if (it == out.end())
                out.push_back({q, 1});
            else
                ++it->lines;
        }
    }
    return out;
}

bool ConfirmLineQuestions(TFCore& core, ImportPreview& preview) {
    // Counted afresh before each question: lines skipped by an earlier No no
    // longer count.
    for (std::vector<LineQuestion> pending = PendingQuestions(preview); !pending.empty();
         pending = PendingQuestions(preview)) {
        const LineQuestion& q = pending.front();
        const QString count = q.lines == 1 ? QStringLiteral(" (1 line)") : QStringLiteral(" (%1 lines)").arg(q.lines);
        switch (core.prompter().AskAtCursor(q.text + count)) {
        case 'Y':
            preview.confirmed << q.text;
            break;
        case 'N':
            for (ImportLine& il : preview.lines)
                if (il.state == LineState::New && il.questions.contains(q.text))
                    il.state = LineState::Skip;
            // What the skipped lines' checks would have written (an earlier
            // earliest date) no longer spares later lines their questions.
            if (!CheckNewLines(core, preview))
                return false;
            break;
        default:
            return false;
        }
    }
    return true;
}

QString LineCheckNote(const ImportLine& il, const QStringList& confirmed) {
    if (il.state != LineState::New)
        return QString();
    if (!il.refusal.isEmpty())
        return QStringLiteral("refused: ") + il.refusal.simplified();
    QStringList open;
    for (const QString& q : il.questions)
        if (!confirmed.contains(q))
            open << q.simplified();
    return open.isEmpty() ? QString() : QStringLiteral("needs confirming: ") + open.join(QStringLiteral("; "));
}

namespace {

enum class Pass { Done, Failed, Again };

// One attempt at the whole import in one store transaction.  A line whose
// checks may leave it out (guarded: it asked or was refused when checked)
// runs inside a savepoint, so that leaving it out undoes what its checks
// wrote; any other line runs bare, which costs nothing while it goes in.  A
// bare line left out after writing something asks for another attempt with
// that line guarded (Again); the transaction is rolled back meanwhile.
Pass ImportPass(TFCore& core, ImportPreview& preview, const ImportOptions& options, std::vector<char>& guarded,
                const QDateTime& importTs, ImportResult& r) {
    Prompter& prompter = core.prompter();
    Store& store = core.store();
    ObjRec account;
    if (!ReadObj(core, preview.accountId, account))
        return Pass::Failed;
    // Every line reads the same few objects (the account, its counterparties,
    // categories and pots) several times over: each is read once.
    ObjectReadCache cache(core);
    StoreTransaction st(store);
    if (!st.ok())
        return Pass::Failed;
    r = ImportResult();
    const QString savepoint = QStringLiteral("importline");
    LinePrompter lp(prompter, &preview.confirmed);
    for (size_t i = 0; i < preview.lines.size(); ++i) {
        ImportLine& il = preview.lines[i];
        if (il.state == LineState::New) {
            int txnid = 0;
            if (guarded[i] && !store.savepoint(savepoint))
                return Pass::Failed;
            const std::int64_t changesBefore = store.changeCount();
            lp.clear();
            bool entered = false;
            {
                PrompterSwap swap(core, lp);
                entered = EnterLine(core, account, il, txnid);
            }
            il.questions = lp.questions;
            il.refusal = lp.refusal;
            if (entered) {
                if (guarded[i] && !store.releaseSavepoint(savepoint))
                    return Pass::Failed;
            } else if ((lp.declined || !lp.refusal.isEmpty()) && store.lastError().isEmpty()) {
                // The line alone is left out; what its checks wrote is undone.
                if (guarded[i]) {
                    if (!store.rollbackToSavepoint(savepoint))
                        return Pass::Failed;
                    ObjectReadCache::ForgetAll(core);
                } else if (store.doomed() || store.changeCount() != changesBefore) {
                    guarded[i] = 1;
                    return Pass::Again;
                }
                if (lp.declined && lp.refusal.isEmpty())
                    ++r.unconfirmed;
                else
                    ++r.refused;
                continue;
            } else {
                prompter.ShowMessage(LineLabel(preview, il) + QStringLiteral(" (") + CalToDateStr(il.line.date) +
                                     QStringLiteral(" ") + FormatAmount(il.line.amount) +
                                     QStringLiteral(") could not be entered - nothing was imported"));
                return Pass::Failed;
            }
            if (!RecordKey(core, preview.accountId, il, txnid, importTs) || !RememberPayee(core, il))
                return Pass::Failed;
            il.matchTxnId = txnid;
            ++r.entered;
        } else if (il.state == LineState::Matched) {
            if (!RecordKey(core, preview.accountId, il, il.matchTxnId, importTs))
                return Pass::Failed;
            ++r.matched;
            if (options.reconcileMatched) {
                PstgRec p;
                if (ReadPstg(core, il.matchTxnId, preview.accountId, p) && p.ReconCode == 0) {
                    p.ReconCode = 1;
                    if (!WritePstg(core, p))
                        return Pass::Failed;
                    ++r.reconciled;
                }
            }
        }
    }
    const Statement& s = preview.statement;
    if (s.hasClosing) {
        if (!ReadObj(core, preview.accountId, account))
            return Pass::Failed;
        const Amount64 balance = BalanceAt(core, account, s.closingDate);
        r.closingChecked = true;
        r.closingDifference = Amount64(s.closingBalance) - balance;
        if (r.closingDifference == 0) {
            if (!RecordReconciledBalance(core, account.Id, s.closingDate, s.closingBalance))
                return Pass::Failed;
            if (DateAfter(s.closingDate, account.ReconciledDate)) {
                account.Reconciled = CalToDateStr(s.closingDate);
                if (!WriteObj(core, account))
                    return Pass::Failed;
            }
            r.closingRecorded = true;
        }
    }
    return st.commit() ? Pass::Done : Pass::Failed;
}

} // namespace

bool ImportPreviewLines(TFCore& core, ImportPreview& preview, const ImportOptions& options, ImportResult& result) {
    Prompter& prompter = core.prompter();
    result = ImportResult();
    for (const ImportLine& il : preview.lines) {
        if (il.state == LineState::New && !il.complete()) {
            prompter.ShowMessage(
                LineLabel(preview, il) +
                QStringLiteral(" has no counterparty, category or pot - choose them or skip the line"));
            return false;
        }
    }
    if (!AttachImportKeys(core))
        return false;
    std::vector<char> guarded(preview.lines.size(), 0);
    for (size_t i = 0; i < preview.lines.size(); ++i)
        guarded[i] = !preview.lines[i].questions.isEmpty() || !preview.lines[i].refusal.isEmpty();
    const bool nested = core.store().inTransaction(); // a rollback would spoil the caller's transaction
    const QDateTime importTs = Now();                 // one import, one time stamp
    ImportResult r;
    Pass pass;
    while ((pass = ImportPass(core, preview, options, guarded, importTs, r)) == Pass::Again && !nested) {
    }
    if (pass != Pass::Done)
        return false;
    const Statement& s = preview.statement;
    if (r.closingChecked && !r.closingRecorded)
        prompter.ShowMessage(QStringLiteral("Closing balance ") + FormatAmount(s.closingBalance) +
                             QStringLiteral(" on ") + CalToDateStr(s.closingDate) +
                             QStringLiteral(" differs from the account's balance ") +
                             FormatAmount64(Amount64(s.closingBalance) - r.closingDifference) + QStringLiteral(" by ") +
                             FormatAmount64(r.closingDifference) + QStringLiteral(" - no reconciled balance recorded"));
    result = r;
    return true;
}

QString PreviewText(const ImportPreview& p) {
    QString out;
    out += QStringLiteral("Statement ") + p.statement.fileName + QStringLiteral(" into \"") + p.accountName +
           QStringLiteral("\": ") + QString::number(p.lines.size()) + QStringLiteral(" line(s)\n");
    int counts[4] = {0, 0, 0, 0};
    for (const ImportLine& il : p.lines) {
        ++counts[int(il.state)];
        QString what;
        switch (il.state) {
        case LineState::New:
            what = (il.line.amount < 0 ? QStringLiteral("payment to ") : QStringLiteral("receipt from ")) +
                   (il.cptyId ? il.cptyName : QStringLiteral("?")) + QStringLiteral(" / ") +
                   (il.ctgyId ? il.ctgyName : QStringLiteral("?")) + QStringLiteral(" / ") +
                   (il.potId ? il.potName : QStringLiteral("?"));
            if (!il.complete())
                what += QStringLiteral(" (incomplete: not imported)");
            else if (const QString note = LineCheckNote(il, p.confirmed); !note.isEmpty())
                what += QStringLiteral(" (") + note + QStringLiteral(")");
            break;
        case LineState::Matched:
            what = QStringLiteral("txn ") + QString::number(il.matchTxnId) + QStringLiteral(" of ") +
                   CalToDateStr(il.matchDate) + QStringLiteral(" ") + il.matchText;
            break;
        case LineState::Imported:
            what = QStringLiteral("txn ") + QString::number(il.matchTxnId);
            break;
        case LineState::Skip:
            break;
        }
        out += QStringLiteral("%1 %2 %3 %4 %5 -> %6\n")
                   .arg(il.line.lineNo, 5)
                   .arg(CalToDateStr(il.line.date))
                   .arg(FormatAmount(il.line.amount), 14)
                   .arg(LineStateName(il.state), -8)
                   .arg(il.line.description(), -30)
                   .arg(what);
    }
    out += QStringLiteral("new %1, matched %2, already imported %3, skipped %4\n")
               .arg(counts[0])
               .arg(counts[1])
               .arg(counts[2])
               .arg(counts[3]);
    if (p.statement.hasClosing)
        out += QStringLiteral("closing balance %1 on %2\n")
                   .arg(FormatAmount(p.statement.closingBalance), CalToDateStr(p.statement.closingDate));
    return out;
}
