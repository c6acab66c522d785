// Repeaters: the rptr record, instance dates, generation, the role dispatch
// of WriteTransaction, updating and deleting instances, and the
// reconciled-balance guard.
//
// Generation writes txn, pstg, remdr and rptr row by row; each repeater's run
// is one store transaction.  A run that stops for a reason the user must mend
// (a missing account, no new transaction id) keeps the instances it made,
// since each of them was written with the Gento that counts it; a store
// failure in the middle leaves nothing of the run.
#include "ledger/Repeaters.h"

#include "base/Clock.h"
#include "base/Prompter.h"
#include "base/Text.h"
#include "data/Core.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "ledger/LedgerState.h"
#include "ledger/Objects.h"

#include <QDate>
#include <QStringList>
#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

int g_repairDepth = 0;

const CalDate& farEnd() {
    static const CalDate d = MakeDate(9999, 12, 31);
    return d;
}

// A real calendar date (stored data may hold 2024-13-40 or year 0).
bool isCalendarDate(const CalDate& d) {
    return d.year >= 1 && QDate::isValid(d.year, d.month, d.day);
}

CalDate fromQDate(const QDate& q) {
    if (!q.isValid() || q.year() > 9999)
        return farEnd();
    if (q.year() < 1)
        return MakeDate(1, 1, 1);
    return MakeDate(q.year(), q.month(), q.day());
}

// d moved by days (either sign); an impossible date is left as it is.
CalDate addDays(const CalDate& d, std::int64_t days) {
    if (!isCalendarDate(d))
        return d;
    return fromQDate(QDate(d.year, d.month, d.day).addDays(days));
}

CalDate instanceDate(const CalDate& start, char freq, int rptinc, int n) {
    CalDate d = start;
    if (n <= 1 || rptinc < 1)
        return WithDayOfWeek(d);
    const std::int64_t steps = std::int64_t(n - 1) * rptinc;
    switch (freq) {
    case 'D':
    case 'W': {
        // A huge increment read from the tables lands past the last date:
        // clamp before multiplying so the day count cannot overflow.
        constexpr std::int64_t kBeyondCalendar = 4000000; // more days than years 1 to 9999 hold
        if (steps > kBeyondCalendar)
            return farEnd();
        d = addDays(start, freq == 'W' ? steps * 7 : steps);
        break;
    }
    case 'M': {
        // Month arithmetic on the month count, the day number left alone.
        const std::int64_t months = std::int64_t(start.month) - 1 + steps;
        const std::int64_t year = std::int64_t(start.year) + months / 12;
        if (year > 9999)
            return farEnd();
        d.year = std::uint16_t(year);
        d.month = std::uint16_t(months % 12 + 1);
        break;
    }
    case 'Y': {
        const std::int64_t year = std::int64_t(start.year) + steps;
        if (year > 9999)
            return farEnd();
        d.year = std::uint16_t(year);
        break;
    }
    default:
        return WithDayOfWeek(d);
    }
    NormaliseDay(d); // the one normalisation, after all steps
    return WithDayOfWeek(d);
}

QString charText(char c) {
    return QString(QLatin1Char(c ? c : ' '));
}

char firstChar(const QString& s, char empty) {
    return s.isEmpty() ? empty : s.at(0).toLatin1();
}

bool rptrHasChnum(Store& store) {
    Query q(store, QStringLiteral("SELECT count(*) FROM pragma_table_info('rptr', 'rptr') "
                                  "WHERE lower(name) = 'chnum'"));
    const bool has = q.next() && q.int64(0) > 0;
    q.reset();
    return has;
}

void rptrFromRow(const Query& q, RptrRec& r) {
    InitRptrRec(r);
    r.Id = q.integer("Id");
    r.Gento = q.integer("Gento");
    r.Freq = q.isNull("Freq") ? 'X' : firstChar(q.text("Freq"), ' ');
    r.StartDate = IntToCal(q.integer("StartDate"));
    r.EndDate = IntToCal(q.integer("EndDate"));
    r.RptActive = q.boolean("RptActive");
    r.Rptinc = q.integer("Rptinc");
    r.RptCt = q.integer("RptCt");
    r.Rmdays = q.integer("Rmdays");
    r.Amt = q.integer("Amt");
    r.Type = firstChar(q.text("Type"), ' ');
    r.Ref = LeftChars(q.text("Ref"), 20);
    r.Narrative = LeftChars(q.text("Narrative"), 40);
    r.Accid1 = q.integer("Accid1");
    r.Accid2 = q.integer("Accid2");
    r.Accid3 = q.integer("Accid3");
    r.Accid4 = q.integer("Accid4");
    r.CreateTS = q.dateTime("CreateTS");
    r.EditTS = q.dateTime("EditTS");
    r.chnum = q.hasColumn("chnum") ? q.integer("chnum") : 0;
    if (r.Gento > 0)
        r.LastDate = InstanceDate(r, r.Gento);
}

const char* const kRptrCols = "Gento, StartDate, EndDate, Freq, RptActive, Rptinc, RptCt, Amt, Type, Ref, "
                              "Narrative, Accid1, Accid2, Accid3, Accid4, Rmdays";

QStringList rptrColumns(bool chnum) {
    QStringList cols = QString::fromLatin1(kRptrCols).split(QStringLiteral(", "));
    if (chnum)
        cols << QStringLiteral("chnum");
    return cols;
}

void bindRptr(Query& q, const RptrRec& r, bool chnum) {
    q.bind("id", r.Id)
        .bind("gento", r.Gento)
        .bind("startdate", CalToInt(r.StartDate))
        .bind("enddate", CalToInt(r.EndDate))
        .bind("freq", charText(r.Freq))
        .bind("rptactive", r.RptActive)
        .bind("rptinc", r.Rptinc)
        .bind("rptct", r.RptCt)
        .bind("amt", r.Amt)
        .bind("type", charText(r.Type))
        .bind("ref", LeftChars(r.Ref, 20))
        .bind("narrative", LeftChars(r.Narrative, 40))
        .bind("accid1", r.Accid1)
        .bind("accid2", r.Accid2)
        .bind("accid3", r.Accid3)
        .bind("accid4", r.Accid4)
        .bind("rmdays", r.Rmdays);
    if (chnum)
        q.bind("chnum", r.chnum);
}

bool rptrExists(TFCore& core, int id) {
    Query q(core.store(), QStringLiteral("SELECT 1 FROM rptr WHERE Id = :id"));
    q.bind("id", id);
    const bool found = q.next();
    q.reset();
    return found;
}

void copySchedule(const RptrRec& r, RptBlock& b) {
    b.Gento = r.Gento;
    b.NextDate = r.LastDate;
    b.Freq = r.Freq;
    b.StartDate = r.StartDate;
    b.EndDate = r.EndDate;
    b.RptActive = r.RptActive;
    b.Rptinc = r.Rptinc;
    b.RptCt = r.RptCt;
    b.Rmdays = r.Rmdays;
}

void copySchedule(const RptBlock& b, RptrRec& r) {
    r.Gento = b.Gento;
    r.LastDate = b.NextDate;
    r.Freq = b.Freq;
    r.StartDate = b.StartDate;
    r.EndDate = b.EndDate;
    r.RptActive = b.RptActive;
    r.Rptinc = b.Rptinc;
    r.RptCt = b.RptCt;
    r.Rmdays = b.Rmdays;
}

// The ids of the instances of a repeater numbered k or more, in instance order.
bool instanceIdsFrom(TFCore& core, int masterId, int k, std::vector<int>& ids) {
    Query q(core.store(), SharedSql::InstancesOfMaster);
    q.bind("masterid", masterId);
    while (q.next())
        if (q.integer("Instance") >= k)
            ids.push_back(q.integer("Id"));
    return q.ok();
}

// The limit of a start-up or rebalance generation (see GenerateAllRepeaters).
CalDate generationLimit(TFCore& core) {
    Prompter& p = core.prompter();
    const Settings& s = core.settings();
    CalDate oneYear = s.Today;
    NextYear(oneYear);
    NormaliseDay(oneYear); // 29 February a year on is 1 March
    if (!DateAfter(s.BalAt, oneYear))
        return s.BalAt;
    const QString balAt = CalToDateStr(s.BalAt);
    p.InfoAtCursor(QStringLiteral("g_balat = ") + balAt + QStringLiteral("; one year ahead = ") +
                   CalToDateStr(oneYear));
    int choice =
        p.Choose(QStringLiteral("Balance date ") + balAt + QStringLiteral(" is distant! Generate repeaters to ..."),
                 QStringLiteral("Bal date anyway"), QStringLiteral("Just 1 yr ahead"));
    if (choice == 1 &&
        !p.AskYesNo(QStringLiteral("Generate repeaters all the way to ") + balAt + QStringLiteral(" - are you sure?")))
        choice = 2;
    if (choice == 1)
        return s.BalAt;
    if (choice == 2)
        return oneYear;
    return s.Today;
}

// One slot of the reconciled-balance guard: the net change of one account at
// one date.
struct ReconSlot {
    int acc = 0;
    DateInt date = 0;
    Amount64 net = 0;
    int kind = 0;
    DateInt reconciledTo = 0;
    QString name;
};

void addReconEffect(std::vector<ReconSlot>& slots, const TxnRec& t, int sign) {
    if (t.Cancelled || t.Role == roleMaster)
        return;
    // The postings take the amount's absolute value; a sign change alone moves
    // no balance.
    const Amount64 a = (t.Amt < 0 ? -Amount64(t.Amt) : Amount64(t.Amt)) * sign;
    const CalDate d2 = IsNullDate(t.Date2) ? t.Txndate : t.Date2; // null Date2 means Txndate
    const CalDate& td = t.Txndate;
    auto add = [&slots](int acc, const CalDate& d, Amount64 amt) {
        if (acc == 0)
            return;
        const DateInt di = CalToInt(d);
        auto it =
            std::find_if(slots.begin(), slots.end(), [&](const ReconSlot& s) { return s.acc == acc && s.date == di; });
        if (it == slots.end()) {
            ReconSlot s;
            s.acc = acc;
            s.date = di;
            slots.push_back(s);
            it = slots.end() - 1;
        }
        it->net += amt;
    };
    switch (t.Type) {
    case TxnType::PotTfr: // both pots are posted on Txndate
        add(t.Accid1, td, a);
        add(t.Accid2, td, -a);
        break;
    case TxnType::CashPayt:
    case TxnType::CredPurch:
    case TxnType::Tfr:
    case TxnType::CashTfr:
        add(t.Accid1, d2, a);
        add(t.Accid2, d2, -a);
        add(t.Accid3, td, a);
        add(t.Accid4, td, -a);
        break;
    case TxnType::CashRcpt:
    case TxnType::CredSale:
        add(t.Accid1, d2, -a);
        add(t.Accid2, d2, a);
        add(t.Accid3, td, -a);
        add(t.Accid4, td, a);
        break;
    default:
        break;
    }
}

} // namespace

// ---- records and dates -------------------------------------------------------

bool CopyChangesIntoMaster(TFCore& core, const TxnRec& txn) {
    RptrRec master;
    if (!ReadRepeater(core, txn.Masterid, master))
        return true;
    if (!CopyChangesToMaster(core, master, txn))
        return true;
    return WriteRepeater(core, master);
}

void InitRptrRec(RptrRec& rptr) {
    rptr = RptrRec();
}

bool HasSchedule(const RptrRec& rptr) {
    switch (rptr.Freq) {
    case 'D':
    case 'W':
    case 'M':
    case 'Y':
        break;
    default:
        return false;
    }
    return rptr.Rptinc >= 1 && isCalendarDate(rptr.StartDate);
}

CalDate InstanceDate(const RptrRec& rptr, int n) {
    return instanceDate(rptr.StartDate, rptr.Freq, rptr.Rptinc, n);
}

CalDate InstanceDate(const RptBlock& rpt, int n) {
    return instanceDate(rpt.StartDate, rpt.Freq, rpt.Rptinc, n);
}

bool ReadRepeater(TFCore& core, int id, RptrRec& rptr) {
    InitRptrRec(rptr);
    if (id == 0)
        return false;
    Query q(core.store(), QStringLiteral("SELECT * FROM rptr WHERE Id = :id"));
    q.bind("id", id);
    if (!q.next())
        return false;
    rptrFromRow(q, rptr);
    q.reset();
    return true;
}

bool ReadRepeaterReported(TFCore& core, int id, RptrRec& rptr) {
    if (ReadRepeater(core, id, rptr))
        return true;
    core.prompter().ShowMessage(QStringLiteral("Repeater Master #") + QString::number(id) +
                                QStringLiteral(" not found"));
    return false;
}

bool WriteRepeater(TFCore& core, RptrRec& rptr) {
    StoreTransaction st(core.store());
    if (!st.ok())
        return false;
    RptrRec r = rptr;
    bool exists = false;
    if (r.Id > 0) {
        exists = rptrExists(core, r.Id);
    } else if (!NextRowId(core.store(), core.prompter(), QStringLiteral("rptr"), QStringLiteral("repeater"), r.Id)) {
        return false;
    }
    const bool chnum = rptrHasChnum(core.store());
    const QStringList cols = rptrColumns(chnum);
    QString sql;
    if (exists) {
        r.EditTS = Now();
        QStringList sets;
        for (const QString& c : cols)
            sets << c + QStringLiteral(" = :") + c.toLower();
        sets << QStringLiteral("EditTS = :ts");
        sql = QStringLiteral("UPDATE rptr SET %1 WHERE Id = :id").arg(sets.join(QStringLiteral(", ")));
    } else {
        r.CreateTS = Now();
        QStringList values;
        for (const QString& c : cols)
            values << QLatin1Char(':') + c.toLower();
        sql = QStringLiteral("INSERT INTO rptr (Id, %1, CreateTS) VALUES (:id, %2, :ts)")
                  .arg(cols.join(QStringLiteral(", ")), values.join(QStringLiteral(", ")));
    }
    Query q(core.store(), sql);
    bindRptr(q, r, chnum);
    q.bindDateTime("ts", exists ? r.EditTS : r.CreateTS);
    if (!q.exec() || !st.commit())
        return false;
    rptr = r;
    return true;
}

TxnRec TxnFromRepeater(const RptrRec& rptr) {
    TxnRec t;
    InitTxnRec(t);
    t.Role = roleMaster;
    t.Id = 0;
    t.Masterid = rptr.Id;
    t.Txndate = rptr.StartDate;
    t.Date2 = rptr.StartDate;
    t.ActualDate = rptr.StartDate;
    t.Type = rptr.Type;
    t.Amt = rptr.Amt;
    t.Ref = rptr.Ref;
    t.Narrative = rptr.Narrative;
    t.Accid1 = rptr.Accid1;
    t.Accid2 = rptr.Accid2;
    t.Accid3 = rptr.Accid3;
    t.Accid4 = rptr.Accid4;
    t.CreateTS = rptr.CreateTS;
    t.EditTS = rptr.EditTS;
    copySchedule(rptr, t.Rpt);
    if (rptr.Accid1 > 0)
        t.chnum = rptr.chnum;
    return t;
}

RptrRec RepeaterFromTxn(const TxnRec& txn) {
    RptrRec r;
    InitRptrRec(r);
    r.Id = txn.Masterid;
    r.Amt = txn.Amt;
    r.Type = txn.Type;
    r.Ref = txn.Ref;
    r.Narrative = txn.Narrative;
    r.Accid1 = txn.Accid1;
    r.Accid2 = txn.Accid2;
    r.Accid3 = txn.Accid3;
    r.Accid4 = txn.Accid4;
    r.chnum = txn.chnum;
    if (txn.Role == roleMaster)
        copySchedule(txn.Rpt, r);
    return r;
}

// ---- generation ----------------------------------------------------------------

int MakeInstance(TFCore& core, const RptrRec& rptr, int n) {
    TxnRec txn = TxnFromRepeater(rptr);
    int missing = 0;
    auto test = [&](int id) {
        ObjRec obj;
        if (id != 0 && !ReadObj(core, id, obj))
            missing = id;
    };
    test(txn.Accid1);
    test(txn.Accid2);
    switch (txn.Type) {
    case TxnType::CashPayt:
    case TxnType::CashRcpt:
    case TxnType::CredPurch:
    case TxnType::CredSale:
        test(txn.Accid3);
        test(txn.Accid4);
        break;
    default:
        break;
    }
    if (missing != 0) {
        core.prompter().InfoAtCursor(QStringLiteral("Account #") + QString::number(missing) +
                                     QStringLiteral(" not found, cannot generate Repeater #") +
                                     QString::number(rptr.Id) + QStringLiteral(" instance"));
        return 0;
    }
    txn.Role = roleInstance;
    txn.Instance = n;
    txn.Txndate = InstanceDate(rptr, n);
    txn.Date2 = txn.Txndate;
    // Each instance carries its own date as its actual date; instance 1 thus
    // agrees with the master's start date and later ones do not claim it.
    txn.ActualDate = txn.Txndate;
    // The id is taken before the store transaction opens, so that a ledger
    // needing the health check stops generation without spoiling the
    // instances already made in this run.
    if (!NextTxnId(core, txn.Id))
        return 0;
    StoreTransaction st(core.store());
    if (!st.ok())
        return 0;
    if (!AddTxn(core, txn) || !MakePostings(core, txn) || !AddInstanceReminder(core, txn) || !st.commit())
        return 0;
    return txn.Id;
}

bool AddInstanceReminder(TFCore& core, const TxnRec& txn) {
    if (txn.Rpt.Rmdays == 0)
        return true;
    StoreTransaction st(core.store());
    if (!st.ok())
        return false;
    int id = 0;
    if (!NextRowId(core.store(), core.prompter(), QStringLiteral("remdr"), QStringLiteral("reminder"), id))
        return false;
    const QString text = JoinWithColon(JoinWithColon(txn.Name2, txn.Name4), txn.Narrative);
    Query q(core.store(), QStringLiteral("INSERT INTO remdr (Id, Txnid, Text, Rmdate, Tgdate) "
                                         "VALUES (:id, :txnid, :text, :rmdate, :tgdate)"));
    q.bind("id", id)
        .bind("txnid", txn.Id)
        .bind("text", LeftChars(text, 255))
        .bind("rmdate", CalToInt(addDays(txn.Txndate, -std::int64_t(txn.Rpt.Rmdays))))
        .bind("tgdate", CalToInt(txn.Txndate));
    return q.exec() && st.commit();
}

namespace {

// GenerateInstances; storeFailed tells a store failure (nothing of the run
// written) from a stop that keeps what was made.
int generateInstances(TFCore& core, RptrRec& rptr, const CalDate& limit, bool& storeFailed) {
    storeFailed = false;
    // No schedule (' ', a null Freq read as 'X', step 0, no start): nothing
    // moves, so nothing is made and the repeater stays as it is.
    if (!HasSchedule(rptr))
        return 0;
    int n = rptr.Gento;
    if (n > 0 && DateAfter(InstanceDate(rptr, n), limit))
        return 0;
    storeFailed = true; // until the run's commit succeeds
    StoreTransaction st(core.store());
    if (!st.ok())
        return 0;
    RptrRec r = rptr;
    int result = 0;
    CalDate previous = n > 0 ? InstanceDate(r, n) : CalDate();
    for (;;) {
        if (n == INT32_MAX)
            break; // no instance number left: stop as at a failed instance
        ++n;
        const CalDate d = InstanceDate(r, n);
        if ((!IsNullDate(r.EndDate) && DateAfter(d, r.EndDate)) || (r.RptCt > 0 && n > r.RptCt)) {
            r.RptActive = false;
            if (!WriteRepeater(core, r) || !st.commit())
                return 0;
            storeFailed = false;
            rptr = r;
            return result;
        }
        // Dates stand still only at the last day the calendar holds.
        if (!IsNullDate(previous) && !DateAfter(d, previous))
            break;
        previous = d;
        const int id = MakeInstance(core, r, n);
        if (id == 0)
            break;
        result = id;
        r.Gento = n;
        r.LastDate = d;
        if (!WriteRepeater(core, r))
            return 0;
        if (DateAfter(d, limit)) {
            if (!st.commit())
                return 0;
            storeFailed = false;
            rptr = r;
            return result;
        }
    }
    // An instance could not be made.  A store failure spoilt the run: nothing
    // of it is written.  Otherwise the instances made so far stay.
    if (core.store().doomed() || !st.commit())
        return 0;
    storeFailed = false;
    rptr = r;
    return 0;
}

} // namespace

int GenerateInstances(TFCore& core, RptrRec& rptr) {
    return GenerateInstances(core, rptr, core.settings().BalAt);
}

int GenerateInstances(TFCore& core, RptrRec& rptr, const CalDate& limit) {
    bool failed = false;
    return generateInstances(core, rptr, limit, failed);
}

bool GenerateAllRepeaters(TFCore& core) {
    std::vector<int> ids;
    {
        Query q(core.store(), QStringLiteral("SELECT Id FROM rptr WHERE coalesce(RptActive, 0) <> 0 ORDER BY Id"));
        while (q.next())
            ids.push_back(q.integer("Id"));
        if (!q.ok())
            return false;
    }
    if (ids.empty())
        return true; // nothing to generate: no need to ask how far
    // The chosen limit bounds this generation: a balance date set years ahead
    // would otherwise fill the ledger with years of instances the user never
    // asked for.  When BalAt is nearer than the limit (BalAt in the past, or
    // within a year), BalAt remains the bound, as for every generation.
    CalDate limit = generationLimit(core);
    if (DateAfter(limit, core.settings().BalAt))
        limit = core.settings().BalAt;
    bool ok = true;
    for (int id : ids) {
        RptrRec r;
        if (!ReadRepeater(core, id, r) || !r.RptActive)
            continue;
        bool failed = false;
        generateInstances(core, r, limit, failed);
        ok = ok && !failed;
    }
    return ok;
}

bool GenerateForMaster(TFCore& core, const TxnRec& txn, int& lastId) {
    lastId = 0;
    RptrRec r;
    if (txn.Masterid == 0 || !ReadRepeater(core, txn.Masterid, r))
        return false;
    lastId = GenerateInstances(core, r);
    return true;
}

bool RegenerateInstances(TFCore& core, int masterId) {
    if (masterId == 0) {
        core.prompter().ProgramError(QStringLiteral("Trying to gen insts for zero master"));
        return false;
    }
    RptrRec r;
    if (!ReadRepeater(core, masterId, r))
        return false;
    bool failed = false;
    generateInstances(core, r, core.settings().BalAt, failed);
    return !failed;
}

// ---- making, storing and updating ----------------------------------------------

bool MakeRepeater(TFCore& core, TxnRec& txn) {
    if (txn.Role != roleOrdinary) {
        core.prompter().InfoAtCursor(QStringLiteral("Transaction is already a repeater"));
        return false;
    }
    StoreTransaction st(core.store());
    if (!st.ok())
        return false;
    TxnRec t = txn;
    t.Role = roleInstance;
    RptrRec r = RepeaterFromTxn(t);
    r.Id = 0;
    r.StartDate = t.Txndate;
    r.EndDate = CalDate();
    r.Freq = 'M';
    r.RptActive = true;
    r.Gento = 1;
    r.Rptinc = 1;
    r.RptCt = 0;
    r.Rmdays = 0;
    r.LastDate = InstanceDate(r, 1);
    if (!WriteRepeater(core, r))
        return false;
    t.Masterid = r.Id;
    t.Instance = 1;
    // An instance carries a date of its own, as generated instances do; the
    // health check reports one that has neither an actual nor a posting date.
    if (IsNullDate(t.ActualDate))
        t.ActualDate = t.Txndate;
    copySchedule(r, t.Rpt);
    if (!AmendTxn(core, t) || !st.commit())
        return false;
    core.SetRebalNeeded(true);
    txn = t;
    return true;
}

bool WriteTransaction(TFCore& core, TxnRec& txn) {
    switch (txn.Role) {
    case roleMaster: {
        RptrRec r = RepeaterFromTxn(txn);
        if (!WriteRepeater(core, r))
            return false;
        txn.Masterid = r.Id;
        return true;
    }
    case roleInstance:
        if (txn.Id >= 1)
            return UpdateInstance(core, txn);
        break;
    case roleOrdinary:
        return StoreOrdinaryTxn(core, txn);
    default:
        break;
    }
    core.prompter().ProgramError(QStringLiteral("wr_txn_ok"));
    return false;
}

bool UpdateInstance(TFCore& core, TxnRec& txn) {
    Prompter& p = core.prompter();
    StoreTransaction st(core.store());
    if (!st.ok())
        return false;
    if (!TxnExists(core, txn.Id)) {
        TxnNotFound(core, txn.Id);
        return false;
    }
    TxnRec t = txn;
    if (!AmendTxn(core, t))
        return false;
    if (InstanceRepairMode::active()) {
        if (!st.commit())
            return false;
        txn = t;
        return true;
    }
    RptrRec master;
    // Without its master there is nothing to propagate to: treated as inactive.
    const bool haveMaster = ReadRepeater(core, t.Masterid, master);
    if (!haveMaster || (!master.RptActive && !t.Rpt.RptActive)) {
        p.ShowMessage(QStringLiteral("This instance of inactive repeater updated OK ;\n"
                                     "cannot apply to later instances since repeater is inactive"));
    } else if (p.AskYesNo(QStringLiteral("This instance of active repeater updated OK ;\n"
                                         "also apply to later/future instances?"))) {
        const int g = t.Rpt.Gento, i = t.Instance;
        const bool go = g <= i || p.AskYesNo(QStringLiteral("Update will impact ") + QString::number(g - i) +
                                             QStringLiteral(" existing instances #") + QString::number(i + 1) +
                                             QStringLiteral(" to #") + QString::number(g) +
                                             QStringLiteral("\nas well as future instances - OK ?"));
        if (go) {
            if (!DeleteInstancesFrom(core, t.Masterid, i + 1))
                return false;
            t.Rpt.Gento = i;
            RptrRec fresh;
            if (ReadRepeater(core, t.Masterid, fresh) && CopyChangesToMaster(core, fresh, t) &&
                !WriteRepeater(core, fresh))
                return false;
            if (!RegenerateInstances(core, t.Masterid))
                return false;
        }
    }
    if (!st.commit())
        return false;
    txn = t;
    return true;
}

bool CopyChangesToMaster(TFCore& core, RptrRec& rptr, const TxnRec& txn) {
    QString list;
    const QString sep = QStringLiteral(", ");
    auto note = [&](bool differs, const char* name) {
        if (differs)
            AppendItem(list, QString::fromLatin1(name), sep);
        return differs;
    };
    if (note(rptr.Amt != txn.Amt, "amt"))
        rptr.Amt = txn.Amt;
    if (note(rptr.Type != txn.Type, "type"))
        rptr.Type = txn.Type;
    const QString ref = LeftChars(txn.Ref, 20), narrative = LeftChars(txn.Narrative, 40);
    if (note(rptr.Ref != ref, "ref"))
        rptr.Ref = ref;
    if (note(rptr.Narrative != narrative, "narrative"))
        rptr.Narrative = narrative;
    if (note(rptr.Accid1 != txn.Accid1, "accid1"))
        rptr.Accid1 = txn.Accid1;
    if (note(rptr.Accid2 != txn.Accid2, "accid2"))
        rptr.Accid2 = txn.Accid2;
    if (note(rptr.Accid3 != txn.Accid3, "accid3"))
        rptr.Accid3 = txn.Accid3;
    if (note(rptr.Accid4 != txn.Accid4, "accid4"))
        rptr.Accid4 = txn.Accid4;
    if (txn.Role == roleMaster) {
        const RptBlock& b = txn.Rpt;
        note(!DateEqual(rptr.StartDate, b.StartDate), "RptStartDate");
        note(!DateEqual(rptr.EndDate, b.EndDate), "RptEndDate");
        note(rptr.Rptinc != b.Rptinc, "RptInc");
        note(rptr.Gento != b.Gento, "GenTo");
        note(rptr.RptCt != b.RptCt, "RptCt");
        note(rptr.RptActive != b.RptActive, "RptActive");
        note(rptr.Rmdays != b.Rmdays, "RmDays");
        note(rptr.Freq != b.Freq, "Freq");
        copySchedule(b, rptr);
    }
    if (list.isEmpty())
        return false;
    core.prompter().ShowMessage(QStringLiteral("Copying the following fields to Master : ") + list);
    return true;
}

// ---- deleting ------------------------------------------------------------------

bool DeleteInstancesFrom(TFCore& core, int masterId, int k) {
    StoreTransaction st(core.store());
    if (!st.ok())
        return false;
    std::vector<int> ids;
    if (!instanceIdsFrom(core, masterId, k, ids))
        return false;
    for (int id : ids) {
        if (!TxnExists(core, id)) {
            TxnNotFound(core, id);
            continue;
        }
        TxnRec t;
        InitTxnRec(t);
        t.Id = id;
        if (!DeleteTxnWithPostings(core, t, 'D'))
            return false;
    }
    RptrRec r;
    if (ReadRepeater(core, masterId, r)) {
        r.Gento = std::max(k - 1, 0);
        r.LastDate = r.Gento > 0 ? InstanceDate(r, r.Gento) : CalDate();
        if (!WriteRepeater(core, r))
            return false;
    }
    return st.commit();
}

bool DetachInstances(TFCore& core, int masterId) {
    StoreTransaction st(core.store());
    if (!st.ok())
        return false;
    Query q(core.store(), QStringLiteral("UPDATE txn SET Masterid = 0, Instance = 0 "
                                         "WHERE Masterid = :masterid AND Instance > 0"));
    q.bind("masterid", masterId);
    return q.exec() && st.commit();
}

bool DeleteRepeaterRow(TFCore& core, int id) {
    Query q(core.store(), QStringLiteral("DELETE FROM rptr WHERE Id = :id"));
    q.bind("id", id);
    return q.exec();
}

bool DeleteTransaction(TFCore& core, int id) {
    Prompter& p = core.prompter();
    StoreTransaction st(core.store());
    if (!st.ok())
        return false;
    TxnRec txn;
    if (!ReadTxn(core, id, txn)) {
        TxnNotFound(core, id);
        return false;
    }
    if (txn.Type != TxnType::ReconBal) {
        TxnRec empty;
        InitTxnRec(empty);
        if (!CheckReconciledBalances(core, txn, empty))
            return false;
    }
    RptrRec master;
    // An instance whose repeater is gone has nothing to regenerate from: it is
    // deleted as an ordinary transaction rather than left undeletable.
    if (txn.Instance <= 0 || !ReadRepeater(core, txn.Masterid, master)) {
        const QString q =
            txn.Type == TxnType::ReconBal ? QStringLiteral("Unreconcile balance?") : QStringLiteral("Delete txn?");
        if (!p.AskYesNo(q))
            return false;
        if (!DeleteTxnWithPostings(core, txn, 'D') || !st.commit())
            return false;
        core.SetRebalNeeded(true);
        return true;
    }
    const QString text = QStringLiteral("Txn is an instance of an ") +
                         (master.RptActive ? QStringLiteral("A") : QStringLiteral("Ina")) +
                         QStringLiteral("ctive Repeater. ");
    bool thisOnly = false;
    if (txn.Instance != master.Gento) {
        const char a = p.AskAtCursor(text + QStringLiteral("Also delete all later instances?"));
        if (a == 'N')
            thisOnly = true;
        else if (a != 'Y')
            return false; // Cancel, or the box closed otherwise
    }
    if (master.RptActive) {
        const QString warn = thisOnly && txn.Instance < master.Gento
                                 ? QStringLiteral("Deleted instance will not be regenerated at next Rebal.")
                                 : QStringLiteral("Deleted instance(s) will be regenerated at next Rebal : use "
                                                  "Cancel instead to avoid this.");
        if (!p.AskYesNo(warn + QStringLiteral(" Still OK to delete?")))
            return false;
    }
    if (thisOnly) {
        if (!DeleteTxnWithPostings(core, txn, 'D'))
            return false;
    } else {
        if (!DeleteInstancesFrom(core, txn.Masterid, txn.Instance))
            return false;
        if (master.RptActive && p.AskYesNo(QStringLiteral("Regenerate deleted instances now?")) &&
            !RegenerateInstances(core, txn.Masterid))
            return false;
    }
    if (!st.commit())
        return false;
    core.SetRebalNeeded(true);
    return true;
}

// ---- the reconciled-balance guard ----------------------------------------------

bool CheckReconciledBalances(TFCore& core, const TxnRec& txnA, const TxnRec& txnB) {
    // A growable list of (account, date) pairs: a transaction and its
    // replacement can touch any number of them.
    std::vector<ReconSlot> slots;
    addReconEffect(slots, txnA, 1);
    addReconEffect(slots, txnB, -1);
    {
        NotFoundQuiet quiet(core); // a missing account is the posting rules' to report
        for (ReconSlot& s : slots) {
            ObjRec obj;
            if (s.net == 0 || !ReadObj(core, s.acc, obj))
                continue;
            s.kind = obj.Type;
            s.reconciledTo = CalToInt(obj.ReconciledDate);
            s.name = obj.Name;
        }
    }
    for (const ReconSlot& s : slots) {
        if (s.kind == otCpty || s.net == 0 || s.reconciledTo == 0 || s.date > s.reconciledTo)
            continue;
        if (!core.prompter().AskYesNo(QStringLiteral("Reconciled balance for account ") + Quote(s.name) +
                                      QStringLiteral("will be altered!\n"
                                                     "Are you sure you want to add/amend/delete transaction?")))
            return false;
    }
    return true;
}

// ---- repair mode ---------------------------------------------------------------

InstanceRepairMode::InstanceRepairMode() {
    ++g_repairDepth;
}
InstanceRepairMode::~InstanceRepairMode() {
    --g_repairDepth;
}
bool InstanceRepairMode::active() {
    return g_repairDepth > 0;
}
