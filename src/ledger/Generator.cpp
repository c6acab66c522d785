// The ledger generator: a household with a little trade on the side.
//
// The ledger is written day by day from its first day to today.  Each day
// brings the standing orders that fall due (generated as the program does, one
// instance ahead), the household's scheduled chores (topping up pots on the
// 1st, levelling the other banks, paying the credit card on the 20th,
// settling trade credit on the 25th, statement balances at the month's end)
// and that day's share of random transactions.  Money is tracked in memory
// per object (the sum of its amounts, whatever their dates) only to steer
// those choices; the figures of the ledger itself come from the core.
//
// Objects:
//   external accounts  Current account (with the bank as provider), Cash,
//                      Credit card, Savings account, Premium bonds (used in
//                      the first weeks only, so dormant later), Old current
//                      account (emptied and closed at 40% of the span), other
//                      banks, and the credit accounts of traders;
//   pots               General (income, opening-balance pot), Savings,
//                      Household, Housing, Car, Holidays, Old holiday fund
//                      (closed at 40%), further budget pots;
//   counterparties     a bank, employers, two landlords (the first closed
//                      after the move at 50%), utilities, suppliers and
//                      customers with credit accounts, shops;
//   categories         living costs, bills, income and business.
// Each family has a tree of groups to the depth asked.
#include "ledger/Generator.h"

#include "base/Amount.h"
#include "base/Dates.h"
#include "base/Prompter.h"
#include "data/Core.h"
#include "data/Settings.h"
#include "data/SettingsFile.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "ledger/Balances.h"
#include "ledger/Database.h"
#include "ledger/LedgerState.h"
#include "ledger/Objects.h"
#include "ledger/Repeaters.h"
#include "ledger/Transactions.h"

#include <QDir>
#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <random>
#include <vector>

GenOptions DemoOptions() {
    GenOptions o;
    o.demo = true;
    o.years = 2;
    o.txnsPerYear = 120;
    o.ext = 7;
    o.pots = 7;
    o.cptys = 24;
    o.ctgys = 18;
    o.groupDepth = 2;
    return o;
}

namespace {

// Integer draws straight from the engine, so that a seed gives the same
// ledger with every standard library.
class Rng {
public:
    explicit Rng(std::uint32_t seed) : m_gen(seed) {}
    // 0 .. n-1; 0 when n < 2.
    std::uint32_t below(std::uint64_t n) { return n < 2 ? 0 : std::uint32_t(m_gen() % n); }
    std::int64_t between(std::int64_t lo, std::int64_t hi) {
        return hi <= lo ? lo : lo + std::int64_t(below(std::uint64_t(hi - lo + 1)));
    }
    bool chance(int perMille) { return below(1000) < std::uint32_t(perMille); }
    // An index that favours the first entries (the shops used most).
    std::uint32_t favoured(std::size_t n) { return std::min(below(n), below(n)); }

private:
    std::mt19937 m_gen;
};

enum CtgyClass { ccShop, ccBill, ccIncome, ccTrade };
enum CptyRole { crBank, crEmployer, crLandlord, crUtility, crShop, crSupplier, crCustomer };

struct CtgyDef {
    const char* name;
    CtgyClass cls;
    int lo; // cents
    int hi;
};

// Categories in the order they are taken; the first ten are always made.
const CtgyDef kCtgys[] = {
    {"Food", ccShop, 150, 12000},
    {"Rent", ccBill, 60000, 95000},
    {"Salary", ccIncome, 0, 0},
    {"Utilities", ccBill, 3000, 15000},
    {"Interest", ccIncome, 0, 0},
    {"Supplies", ccTrade, 5000, 150000},
    {"Sales", ccTrade, 3000, 120000},
    {"Bank charges", ccBill, 100, 2500},
    {"Insurance", ccBill, 20000, 60000},
    {"Refunds", ccIncome, 0, 0},
    {"Household goods", ccShop, 300, 8000},
    {"Eating out", ccShop, 500, 9000},
    {"Fuel", ccShop, 2500, 9000},
    {"Phone", ccBill, 1500, 5000},
    {"Clothes", ccShop, 1000, 15000},
    {"Books", ccShop, 500, 4000},
    {"Travel", ccShop, 2000, 45000},
    {"Health", ccShop, 500, 6000},
    {"Gifts", ccShop, 1000, 10000},
    {"Subscriptions", ccBill, 500, 2000},
    {"Council tax", ccBill, 9000, 20000},
    {"Repairs", ccShop, 2000, 30000},
    {"Entertainment", ccShop, 500, 5000},
    {"Garden", ccShop, 500, 8000},
    {"Pets", ccShop, 500, 6000},
    {"Sport", ccShop, 500, 10000},
    {"Gifts received", ccIncome, 0, 0},
    {"Hobbies", ccShop, 500, 7000},
    {"Newspapers", ccShop, 100, 1000},
    {"Haircuts", ccShop, 1000, 4000},
    {"Stationery", ccShop, 200, 3000},
    {"Charity", ccShop, 500, 5000},
    {"Parking", ccShop, 100, 1500},
    {"Taxis", ccShop, 800, 4000},
    {"Bonus", ccIncome, 0, 0},
    {"Music", ccShop, 500, 3000},
    {"Computer", ccShop, 2000, 90000},
    {"Furniture", ccShop, 5000, 80000},
    {"Toys", ccShop, 500, 5000},
    {"Education", ccShop, 2000, 30000},
};

struct NamedHint {
    const char* name;
    const char* ctgy; // the category it is mostly used with
};

const NamedHint kShops[] = {
    {"Greengrocer", "Food"},       {"FreshMart", "Food"},
    {"Corner shop", "Food"},       {"Bakery", "Food"},
    {"Petrol station", "Fuel"},    {"Bookshop", "Books"},
    {"Chemist", "Health"},         {"Hardware store", "Household goods"},
    {"Garden centre", "Garden"},   {"Pet shop", "Pets"},
    {"Cafe Roma", "Eating out"},   {"Pizza place", "Eating out"},
    {"Clothes shop", "Clothes"},   {"Cinema", "Entertainment"},
    {"Sports shop", "Sport"},      {"Train company", "Travel"},
    {"Dentist", "Health"},         {"Newsagent", "Newspapers"},
    {"Takeaway", "Eating out"},    {"Department store", "Household goods"},
    {"Florist", "Gifts"},          {"Garage", "Repairs"},
    {"Toy shop", "Toys"},          {"Music shop", "Music"},
    {"Computer shop", "Computer"}, {"Furniture store", "Furniture"},
    {"Hairdresser", "Haircuts"},   {"Charity shop", "Charity"},
    {"Car park", "Parking"},       {"Taxi firm", "Taxis"},
    {"Airline", "Travel"},         {"Butcher", "Food"},
    {"Market stall", "Food"},      {"Stationer", "Stationery"},
    {"Craft shop", "Hobbies"},     {"Night school", "Education"},
};
const NamedHint kUtilities[] = {
    {"City Power", "Utilities"},  {"Aqua Water", "Utilities"},       {"Shield Insurance", "Insurance"},
    {"Fastline Phones", "Phone"}, {"Streamflix", "Subscriptions"},   {"Council Tax Office", "Council tax"},
    {"Gas Direct", "Utilities"},  {"Daily Herald", "Subscriptions"},
};
const char* const kBanks[] = {"Northbank", "Riverside Building Society", "Harbour Bank"};
const char* const kEmployers[] = {"Acme Ltd", "Bright Futures plc", "County Council", "Greenfield Farms"};
const char* const kLandlords[] = {"Oakwood Lettings", "Parkside Homes", "Mr Grant (landlord)"};
const char* const kSuppliers[] = {"Timber Supplies", "Paper and Print", "Wholesale Foods"};
const char* const kCustomers[] = {"Hill Farm Shop", "Village Crafts", "Mrs Jones"};
const char* const kOtherBanks[] = {"Joint account", "Online saver", "Business account", "Travel card",
                                   "Second current account"};
const char* const kMorePots[] = {"Christmas",    "Emergency fund", "Home improvements", "Pets fund",
                                 "Hobbies fund", "Education fund", "Gifts fund"};
const char* const kDiary[] = {"Boiler serviced",           "Meter reading 04512",      "Car passed its MOT",
                              "Rent review meeting",       "Passport renewed",         "Asked bank about mortgage",
                              "New tyres fitted",          "Tax return filed",         "Dentist check-up booked",
                              "Window cleaner paid ahead", "Insurance renewal quoted", "Moved savings to new rate"};
const char* const kReminders[] = {"Renew car insurance", "File tax return", "Renew TV licence", "Service the boiler",
                                  "Check savings rate"};

template <std::size_t N> QString nth(const char* const (&names)[N], int i) {
    QString s = QString::fromLatin1(names[i % int(N)]);
    if (i >= int(N))
        s += QLatin1Char(' ') + QString::number(i / int(N) + 1);
    return s;
}
template <std::size_t N> QString nthHint(const NamedHint (&names)[N], int i, QString& ctgy) {
    ctgy = QString::fromLatin1(names[i % int(N)].ctgy);
    QString s = QString::fromLatin1(names[i % int(N)].name);
    if (i >= int(N))
        s += QLatin1Char(' ') + QString::number(i / int(N) + 1);
    return s;
}

struct Ctgy {
    int id = 0;
    QString name;
    CtgyClass cls = ccShop;
    Amount64 lo = 0;
    Amount64 hi = 0;
    int pot = 0; // default pot
};

struct Cpty {
    int id = 0;
    QString name;
    CptyRole role = crShop;
    std::vector<int> ctgys; // indexes into m_ctgys; the first is the usual one
    int creditAcc = 0;
};

struct Rptr {
    RptrRec rec;
    Amount amt = 0;
};

class Generator {
public:
    Generator(TFCore& core, const GenOptions& o) : m_core(core), m_o(o), m_rng(o.seed) {}
    bool run();

private:
    // ---- set-up
    void clampOptions();
    bool makeGroups();
    int groupFor(int family, int top);
    int addObject(int kind, const QString& name, int grp, Amount bfd, const std::function<void(ObjRec&)>& tweak = {});
    bool makeObjects();
    bool makeChannels();
    int addChannel(int acc, const QString& name, int sts = 0);
    // ---- money
    Amount money(std::int64_t cents) const;
    Amount64& bal(int id);
    Amount64 liquid() const;
    void applyEffect(char type, Amount a, int a1, int a2, int a3, int a4);
    // ---- writing
    bool txn(char type, Amount amt, const CalDate& d, int a1, int a2, int a3, int a4, const QString& narr,
             int chnum = 0, const QString& ref = QString(), bool cancelled = false, int lag = 0);
    bool tick(int n = 1);
    bool commitBatch();
    bool makeRepeater(char type, Amount amt, const CalDate& d, int a1, int a2, int a3, int a4, const QString& narr,
                      int chnum, char freq, int inc, int rmdays, int count, const CalDate& end);
    bool generateDue(const CalDate& day);
    bool reconcile(int acc, const CalDate& d);
    bool markReconciled();
    bool closeObject(int id, const CalDate& d);
    bool addReminders();
    // ---- the days
    bool scheduled(int dayIndex, const CalDate& d, bool monthEnd);
    bool endOfDay(const CalDate& d, bool monthEnd);
    bool randomTxn(const CalDate& d);
    Amount potMove(std::int64_t cents, int& from, int& to);
    bool payment(const CalDate& d);
    bool receipt(const CalDate& d);
    int paymentAccount(const CalDate& d, Amount amt, int& chnum, int& lag);
    bool usableOld(const CalDate& d) const { return m_dayIndex < m_closeDay - 10; }
    bool writeSettings();

    TFCore& m_core;
    GenOptions m_o;
    Rng m_rng;
    std::optional<StoreTransaction> m_batch;
    int m_done = 0; // transactions written
    int m_sinceCommit = 0;
    int m_planned = 0;
    std::int64_t m_scale = 1000; // per mille

    CalDate m_start, m_end;
    int m_days = 0;
    int m_dayIndex = 0;
    int m_closeDay = 0; // old current account and old holiday fund close
    int m_moveDay = 0;  // the move to the second landlord
    bool m_salary = false;

    std::vector<Amount64> m_bal;        // by object id
    std::map<int, Amount64> m_potSpent; // paid from each pot since the last budget day
    // groups: [family][top] -> the ids of that top group's subtree
    std::map<int, std::vector<std::vector<int>>> m_groups;
    std::vector<Ctgy> m_ctgys;
    std::vector<Cpty> m_cptys;
    std::vector<int> m_shops, m_employers, m_utilities, m_suppliers, m_customers, m_landlords;
    int m_bankCpty = 0;
    // external accounts
    int m_current = 0, m_cash = 0, m_card = 0, m_savings = 0, m_bonds = 0, m_oldBank = 0;
    std::vector<int> m_otherBanks, m_liquid;
    // pots
    int m_general = 0, m_savingsPot = 0, m_household = 0, m_housing = 0, m_car = 0, m_holidays = 0, m_oldPot = 0;
    std::vector<int> m_budgetPots; // topped up monthly from General
    // channels of the current account and the card
    int m_chDebit = 0, m_chOnline = 0, m_chCheque = 0, m_chStanding = 0, m_chContactless = 0, m_chCardOnline = 0;
    std::map<int, std::vector<int>> m_channels; // by account
    std::map<QString, int> m_ctgyByName;
    std::vector<Rptr> m_rptrs;
    std::map<int, CalDate> m_reconciled; // latest statement balance by account
    int m_cheque = 100231;
    double m_monthlySpend = 0; // expected, in cents
    Amount64 m_target = 0;     // liquid money aimed at
    Amount64 m_receiptBase = 0;
    double m_receiptsPerMonth = 1;
    std::vector<int> m_counts; // random transactions by day
};

// ---- set-up -------------------------------------------------------------------------

void Generator::clampOptions() {
    m_o.years = std::clamp(m_o.years, 1, 60);
    m_o.txnsPerYear = std::clamp(m_o.txnsPerYear, 0, 2000000);
    m_o.ext = std::clamp(m_o.ext, 7, 200);
    m_o.pots = std::clamp(m_o.pots, 7, 200);
    m_o.cptys = std::clamp(m_o.cptys, 10, 20000);
    m_o.ctgys = std::clamp(m_o.ctgys, 10, 2000);
    m_o.groupDepth = std::clamp(m_o.groupDepth, 0, 8);
    m_o.batchSize = std::max(1, m_o.batchSize);
}

Amount Generator::money(std::int64_t cents) const {
    const std::int64_t v = cents * m_scale / 1000;
    if (cents > 0)
        return Amount(std::clamp<std::int64_t>(v, 1, 100000000));
    return Amount(std::clamp<std::int64_t>(v, -100000000, 0));
}

Amount64& Generator::bal(int id) {
    if (id >= int(m_bal.size()))
        m_bal.resize(id + 1, 0);
    return m_bal[id];
}

Amount64 Generator::liquid() const {
    Amount64 s = 0;
    for (int id : m_liquid)
        s += m_bal[id];
    return s;
}

void Generator::applyEffect(char type, Amount a, int a1, int a2, int a3, int a4) {
    auto add = [this](int id, Amount64 v) {
        if (id > 0)
            bal(id) += v;
    };
    switch (type) {
    case TxnType::CashPayt:
    case TxnType::CredPurch:
        add(a1, -a), add(a2, a), add(a3, -a), add(a4, -a);
        if (a3 > 0)
            m_potSpent[a3] += a;
        break;
    case TxnType::CashRcpt:
    case TxnType::CredSale:
        add(a1, a), add(a2, -a), add(a3, a), add(a4, a);
        break;
    case TxnType::Tfr:
    case TxnType::CashTfr:
        add(a1, -a), add(a2, a), add(a3, -a), add(a4, a);
        break;
    case TxnType::PotTfr:
        add(a1, -a), add(a2, a);
        break;
    default:
        break;
    }
}

int Generator::addObject(int kind, const QString& name, int grp, Amount bfd,
                         const std::function<void(ObjRec&)>& tweak) {
    ObjRec r;
    InitObjRec(r);
    r.Type = kind;
    r.Name = name.left(40);
    r.Grpid = grp;
    r.BfdBal = bfd;
    r.CloseDate = IntToCal(kNotClosed);
    if (tweak)
        tweak(r);
    if (!AddObj(m_core, r))
        return 0;
    if (IsLeafKind(kind) && !EnsureAnchor(m_core, r.Id))
        return 0;
    bal(r.Id) = bfd;
    return r.Id;
}

// Each family has a few top groups; each group above the deepest level holds
// two subgroups named after it ("Shops 1", "Shops 1.2").
bool Generator::makeGroups() {
    struct Family {
        int kind;
        std::vector<const char*> tops;
    };
    const Family families[] = {
        {otExtGrp, {"Banks", "Cash and cards", "Trade credit"}},
        {otPgrp, {"Reserves", "Budgets"}},
        {otCptyGrp, {"Shops", "Bills and services", "Income sources", "Trade"}},
        {otCtgyGrp, {"Living costs", "Bills", "Income", "Business"}},
    };
    for (const Family& f : families) {
        std::vector<std::vector<int>>& tops = m_groups[f.kind];
        for (const char* top : f.tops) {
            tops.emplace_back();
            if (m_o.groupDepth == 0)
                continue;
            // breadth first: (id, name, level)
            struct Node {
                int id;
                QString name;
                int level;
            };
            std::vector<Node> queue;
            const int topId = addObject(f.kind, QString::fromLatin1(top), 0, 0);
            if (topId == 0)
                return false;
            queue.push_back({topId, QString::fromLatin1(top), 1});
            for (std::size_t i = 0; i < queue.size(); ++i) {
                const Node n = queue[i];
                tops.back().push_back(n.id);
                if (n.level >= m_o.groupDepth)
                    continue;
                for (int c = 1; c <= 2; ++c) {
                    const QString name = n.level == 1 ? n.name + QLatin1Char(' ') + QString::number(c)
                                                      : n.name + QLatin1Char('.') + QString::number(c);
                    const int id = addObject(f.kind, name, n.id, 0);
                    if (id == 0)
                        return false;
                    queue.push_back({id, name, n.level + 1});
                }
            }
        }
    }
    return true;
}

// A group of the subtree of top group `top` of a family, or (now and then,
// outside the demo) none.
int Generator::groupFor(int family, int top) {
    const std::vector<int>& ids = m_groups[family][top];
    if (ids.empty() || (!m_o.demo && m_rng.chance(100)))
        return 0;
    return ids[m_rng.below(ids.size())];
}

int Generator::addChannel(int acc, const QString& name, int sts) {
    Query q(m_core.store(), QStringLiteral("SELECT coalesce(max(Chnum), 0) + 1 FROM channel"));
    if (!q.next())
        return 0;
    const int chnum = int(q.int64(0));
    q.reset();
    Query ins(m_core.store(), QStringLiteral("INSERT INTO channel (Chnum, AccId, ChName, ChNote, ChSts)"
                                             " VALUES (:chnum, :acc, :name, :note, :sts)"));
    ins.bind("chnum", chnum).bind("acc", acc).bind("name", name.left(20)).bind("note", QString()).bind("sts", sts);
    if (!ins.exec())
        return 0;
    m_channels[acc].push_back(chnum);
    return chnum;
}

bool Generator::makeChannels() {
    m_chDebit = addChannel(m_current, QStringLiteral("Debit card"));
    m_chOnline = addChannel(m_current, QStringLiteral("Online banking"));
    m_chCheque = addChannel(m_current, QStringLiteral("Cheque"));
    m_chStanding = addChannel(m_current, QStringLiteral("Standing order"));
    // A closed channel: the old cheque book is no longer offered.
    const int oldBook = addChannel(m_current, QStringLiteral("Old cheque book"), 1);
    m_channels[m_current].pop_back();
    m_chContactless = addChannel(m_card, QStringLiteral("Contactless"));
    m_chCardOnline = addChannel(m_card, QStringLiteral("Online"));
    bool ok = m_chDebit && m_chOnline && m_chCheque && m_chStanding && oldBook && m_chContactless && m_chCardOnline;
    ok = ok && addChannel(m_oldBank, QStringLiteral("Branch")) != 0;
    for (int acc : m_otherBanks)
        ok = ok && addChannel(acc, QStringLiteral("Online banking")) != 0;
    return ok;
}

bool Generator::makeObjects() {
    // Sizes of money: for very large ledgers every amount is scaled down so
    // that the running totals of categories and counterparties over the whole
    // span stay well inside the Amount range.
    const double expectedSpend = double(m_o.years) * m_o.txnsPerYear * 0.67 * 5000.0;
    if (expectedSpend > 4.0e8)
        m_scale = std::max<std::int64_t>(1, std::int64_t(1000.0 * 4.0e8 / expectedSpend));

    // Counterparties first: the bank provides accounts.
    std::vector<CptyRole> roles = {crBank,    crEmployer, crLandlord, crLandlord, crUtility,
                                   crUtility, crUtility,  crSupplier, crCustomer};
    for (int k = 0; int(roles.size()) < m_o.cptys; ++k) {
        CptyRole r = crShop;
        if (k % 20 == 7)
            r = crEmployer;
        else if (k % 20 == 13 || k % 20 == 17)
            r = crUtility;
        else if (k % 25 == 11)
            r = crSupplier;
        else if (k % 25 == 19)
            r = crCustomer;
        else if (k % 40 == 23)
            r = crBank;
        roles.push_back(r);
    }

    // Categories, with their default pots chosen once the pots exist.
    const int nDefs = int(sizeof(kCtgys) / sizeof(kCtgys[0]));
    for (int i = 0; i < m_o.ctgys; ++i) {
        Ctgy c;
        if (i < nDefs) {
            c.name = QString::fromLatin1(kCtgys[i].name);
            c.cls = kCtgys[i].cls;
            c.lo = kCtgys[i].lo;
            c.hi = kCtgys[i].hi;
        } else {
            c.name = QStringLiteral("Sundries ") + QString::number(i - nDefs + 1);
            c.cls = ccShop;
            c.lo = 200;
            c.hi = 2000 + 500 * (i % 20);
        }
        m_ctgys.push_back(c);
    }

    // Pots and their opening balances.
    struct PotDef {
        QString name;
        int top;
        Amount64 bfd;
    };
    std::vector<PotDef> potDefs = {
        {QStringLiteral("General"), 0, 0},
        {QStringLiteral("Savings"), 0, 300000},
        {QStringLiteral("Household"), 1, 20000},
        {QStringLiteral("Housing"), 1, 50000},
        {QStringLiteral("Car"), 1, 30000},
        {QStringLiteral("Holidays"), 1, 40000},
        {QStringLiteral("Old holiday fund"), 1, 25000},
    };
    for (int i = 0; int(potDefs.size()) < m_o.pots; ++i)
        potDefs.push_back({nth(kMorePots, i), i % 7 == 1 ? 0 : 1, 10000});

    // External accounts and their opening balances.
    struct ExtDef {
        QString name;
        int top;
        Amount64 bfd;
    };
    std::vector<ExtDef> extDefs = {
        {QStringLiteral("Current account"), 0, 150000}, {QStringLiteral("Cash"), 1, 5000},
        {QStringLiteral("Credit card"), 1, -20000},     {QStringLiteral("Savings account"), 0, 300000},
        {QStringLiteral("Premium bonds"), 0, 0},        {QStringLiteral("Old current account"), 0, 80000},
    };
    for (int i = 0; int(extDefs.size()) < m_o.ext; ++i)
        extDefs.push_back({nth(kOtherBanks, i), i % 5 == 3 ? 1 : 0, 50000});

    // The pots hold what the accounts hold: General takes the difference,
    // and the current account grows when General would start low.
    Amount64 extTotal = 0, otherPots = 0;
    for (const ExtDef& e : extDefs)
        extTotal += money(e.bfd);
    for (std::size_t i = 1; i < potDefs.size(); ++i)
        otherPots += money(potDefs[i].bfd);
    if (extTotal - otherPots < money(100000)) {
        extDefs[0].bfd += (money(100000) - (extTotal - otherPots)) * 1000 / m_scale + 1;
        extTotal = 0;
        for (const ExtDef& e : extDefs)
            extTotal += money(e.bfd);
    }

    if (!makeGroups())
        return false;

    // Pots.
    std::vector<int> potIds;
    for (std::size_t i = 0; i < potDefs.size(); ++i) {
        const Amount bfd = i == 0 ? Amount(extTotal - otherPots) : money(potDefs[i].bfd);
        const int id = addObject(otPot, potDefs[i].name, groupFor(otPgrp, potDefs[i].top), bfd);
        if (id == 0)
            return false;
        potIds.push_back(id);
    }
    m_general = potIds[0], m_savingsPot = potIds[1], m_household = potIds[2], m_housing = potIds[3];
    m_car = potIds[4], m_holidays = potIds[5], m_oldPot = potIds[6];
    m_budgetPots = {m_household, m_housing, m_car, m_holidays};
    for (std::size_t i = 7; i < potIds.size(); ++i)
        m_budgetPots.push_back(potIds[i]);

    // Categories.
    for (Ctgy& c : m_ctgys) {
        if (c.cls == ccIncome || c.cls == ccTrade)
            c.pot = m_general;
        else if (c.name == QLatin1String("Rent") || c.name == QLatin1String("Utilities") ||
                 c.name == QLatin1String("Council tax") || c.name == QLatin1String("Insurance") ||
                 c.name == QLatin1String("Phone") || c.name == QLatin1String("Repairs"))
            c.pot = m_housing;
        else if (c.name == QLatin1String("Fuel") || c.name == QLatin1String("Parking") ||
                 c.name == QLatin1String("Taxis"))
            c.pot = m_car;
        else if (c.name == QLatin1String("Travel"))
            c.pot = m_holidays;
        else if (c.name == QLatin1String("Bank charges"))
            c.pot = m_general;
        else if (m_budgetPots.size() > 4 && m_rng.chance(300))
            c.pot = m_budgetPots[4 + m_rng.below(m_budgetPots.size() - 4)];
        else
            c.pot = m_household;
        const int top = c.cls == ccShop ? 0 : c.cls == ccBill ? 1 : c.cls == ccIncome ? 2 : 3;
        const int pot = c.pot;
        c.id = addObject(otCtgy, c.name, groupFor(otCtgyGrp, top), 0, [pot](ObjRec& r) { r.PotType = pot; });
        if (c.id == 0)
            return false;
        m_ctgyByName[c.name] = int(&c - m_ctgys.data());
    }
    auto ctgyIndex = [this](const QString& name) {
        auto it = m_ctgyByName.find(name);
        return it == m_ctgyByName.end() ? -1 : it->second;
    };
    std::vector<int> shopCtgys;
    for (std::size_t i = 0; i < m_ctgys.size(); ++i)
        if (m_ctgys[i].cls == ccShop)
            shopCtgys.push_back(int(i));

    // Counterparties.
    int nBank = 0, nEmp = 0, nLand = 0, nUtil = 0, nShop = 0, nSup = 0, nCust = 0;
    for (CptyRole role : roles) {
        Cpty c;
        c.role = role;
        QString hint;
        int top = 0;
        switch (role) {
        case crBank:
            c.name = nth(kBanks, nBank++);
            c.ctgys = {ctgyIndex(QStringLiteral("Interest")), ctgyIndex(QStringLiteral("Bank charges"))};
            top = 1;
            break;
        case crEmployer:
            c.name = nth(kEmployers, nEmp++);
            c.ctgys = {ctgyIndex(QStringLiteral("Salary"))};
            if (ctgyIndex(QStringLiteral("Bonus")) >= 0)
                c.ctgys.push_back(ctgyIndex(QStringLiteral("Bonus")));
            top = 2;
            break;
        case crLandlord:
            c.name = nth(kLandlords, nLand++);
            c.ctgys = {ctgyIndex(QStringLiteral("Rent"))};
            top = 1;
            break;
        case crUtility:
            c.name = nthHint(kUtilities, nUtil++, hint);
            c.ctgys = {ctgyIndex(hint) >= 0 ? ctgyIndex(hint) : ctgyIndex(QStringLiteral("Utilities"))};
            top = 1;
            break;
        case crSupplier:
            c.name = nth(kSuppliers, nSup++);
            c.ctgys = {ctgyIndex(QStringLiteral("Supplies"))};
            top = 3;
            break;
        case crCustomer:
            c.name = nth(kCustomers, nCust++);
            c.ctgys = {ctgyIndex(QStringLiteral("Sales"))};
            top = 2;
            break;
        case crShop: {
            c.name = nthHint(kShops, nShop++, hint);
            const int main = ctgyIndex(hint);
            c.ctgys.push_back(main >= 0 ? main : shopCtgys[m_rng.below(shopCtgys.size())]);
            const int more = int(m_rng.below(3));
            for (int k = 0; k < more; ++k) {
                const int extra = shopCtgys[m_rng.below(shopCtgys.size())];
                if (std::find(c.ctgys.begin(), c.ctgys.end(), extra) == c.ctgys.end())
                    c.ctgys.push_back(extra);
            }
            c.ctgys.push_back(ctgyIndex(QStringLiteral("Refunds")));
            top = 0;
            break;
        }
        }
        const bool pays = role == crBank || role == crEmployer || role == crCustomer || role == crShop;
        const bool rcvs = role != crEmployer && role != crCustomer;
        const int usualPot = m_ctgys[c.ctgys[0]].pot;
        const bool fav = c.name == QLatin1String("FreshMart") || c.name == QLatin1String("Acme Ltd");
        c.id = addObject(otCpty, c.name, groupFor(otCptyGrp, top), 0, [&](ObjRec& r) {
            r.CptyPays = pays;
            r.CptyRcvs = rcvs;
            r.PayeeDftPot = rcvs ? usualPot : 0;
            r.PayerDftPot = pays ? (role == crShop ? usualPot : m_general) : 0;
            r.Fav = fav;
        });
        if (c.id == 0)
            return false;
        const int index = int(m_cptys.size());
        switch (role) {
        case crBank:
            if (m_bankCpty == 0)
                m_bankCpty = c.id;
            break;
        case crEmployer:
            m_employers.push_back(index);
            break;
        case crLandlord:
            m_landlords.push_back(index);
            break;
        case crUtility:
            m_utilities.push_back(index);
            break;
        case crSupplier:
            m_suppliers.push_back(index);
            break;
        case crCustomer:
            m_customers.push_back(index);
            break;
        case crShop:
            m_shops.push_back(index);
            break;
        }
        m_cptys.push_back(c);
    }

    // External accounts; the bank provides the current account, the savings
    // account and the premium bonds.
    std::vector<int> extIds;
    for (std::size_t i = 0; i < extDefs.size(); ++i) {
        const bool byBank = i == 0 || i == 3 || i == 4;
        if (i == 0)
            SetWriteNote(m_core, QStringLiteral("Sort code 12-34-56, account 31926819"));
        const int id = addObject(otExtAcc, extDefs[i].name, groupFor(otExtGrp, extDefs[i].top), money(extDefs[i].bfd),
                                 [&](ObjRec& r) {
                                     if (byBank)
                                         r.AccWith = m_bankCpty, r.Desig = QStringLiteral("Northbank");
                                     if (i == 2) {
                                         r.AllowPosBal = false;
                                         r.Desig = QStringLiteral("**** 4417");
                                     }
                                     r.Fav = i <= 2;
                                     r.DmtLock = i == 3;
                                 });
        if (id == 0)
            return false;
        extIds.push_back(id);
    }
    m_current = extIds[0], m_cash = extIds[1], m_card = extIds[2], m_savings = extIds[3];
    m_bonds = extIds[4], m_oldBank = extIds[5];
    m_otherBanks.assign(extIds.begin() + 6, extIds.end());
    // The money the household spends from, which receipts keep near its
    // opening level; savings grow by their standing order.  Trade credit
    // counts too, so that purchases on credit are paid for when made.
    m_liquid = {m_current, m_cash, m_card, m_oldBank};
    m_liquid.insert(m_liquid.end(), m_otherBanks.begin(), m_otherBanks.end());

    // The bank's first account.
    ObjRec bank;
    if (!ReadObj(m_core, m_bankCpty, bank))
        return false;
    bank.AccWith = m_current;
    if (!WriteObj(m_core, bank))
        return false;

    // Credit accounts of the traders.
    for (int idx : m_suppliers) {
        ObjRec cpty, acc;
        if (!ReadObj(m_core, m_cptys[idx].id, cpty) || !CreateCreditAccount(m_core, cpty, acc) ||
            !EnsureAnchor(m_core, acc.Id))
            return false;
        acc.Grpid = groupFor(otExtGrp, 2);
        if (acc.Grpid != 0 && !WriteObj(m_core, acc))
            return false;
        m_cptys[idx].creditAcc = acc.Id;
        bal(acc.Id) = 0;
        m_liquid.push_back(acc.Id);
    }
    for (int idx : m_customers) {
        ObjRec cpty, acc;
        if (!ReadObj(m_core, m_cptys[idx].id, cpty) || !CreateCreditAccount(m_core, cpty, acc) ||
            !EnsureAnchor(m_core, acc.Id))
            return false;
        acc.Grpid = groupFor(otExtGrp, 2);
        if (acc.Grpid != 0 && !WriteObj(m_core, acc))
            return false;
        m_cptys[idx].creditAcc = acc.Id;
        bal(acc.Id) = 0;
        m_liquid.push_back(acc.Id);
    }

    // What a month costs, and how receipts follow it.
    double shopMean = 0;
    for (int i : shopCtgys)
        shopMean += double(money((m_ctgys[i].lo + m_ctgys[i].hi) / 2));
    shopMean /= double(shopCtgys.size());
    m_monthlySpend = double(m_o.txnsPerYear) / 12.0 * 0.67 * shopMean + double(money(80000) + money(12000));
    m_receiptsPerMonth = std::max(1.0, double(m_o.txnsPerYear) / 12.0 * 0.08);
    m_receiptBase = Amount64(0.2 * m_monthlySpend / m_receiptsPerMonth);
    // A month's spending more than the opening balances, so that the current
    // account does not live in the red.
    m_target = liquid() + Amount64(m_monthlySpend);
    return makeChannels();
}

// ---- writing -------------------------------------------------------------------------

bool Generator::commitBatch() {
    if (m_batch) {
        if (!m_batch->commit())
            return false;
        m_batch.reset();
    }
    if (m_o.progress)
        m_o.progress(m_done, m_planned);
    m_batch.emplace(m_core.store());
    m_sinceCommit = 0;
    return m_batch->ok();
}

bool Generator::tick(int n) {
    m_done += n;
    m_sinceCommit += n;
    return m_sinceCommit < m_o.batchSize || commitBatch();
}

bool Generator::txn(char type, Amount amt, const CalDate& d, int a1, int a2, int a3, int a4, const QString& narr,
                    int chnum, const QString& ref, bool cancelled, int lag) {
    TxnRec t;
    InitTxnRec(t);
    t.Type = type;
    t.Amt = amt;
    t.Txndate = d;
    t.Date2 = d;
    for (int i = 0; i < lag && DateBefore(t.Date2, m_end); ++i)
        NextDay(t.Date2);
    if (!DateEqual(t.Date2, t.Txndate))
        t.ActualDate = d; // the day of the purchase; the bank moved the money later
    t.Accid1 = a1;
    t.Accid2 = a2;
    t.Accid3 = a3;
    t.Accid4 = a4;
    t.Narrative = narr.left(40);
    t.Ref = ref.left(20);
    t.chnum = chnum;
    t.Cancelled = cancelled;
    if (!WriteTransaction(m_core, t) || !MakePostings(m_core, t))
        return false;
    if (!cancelled)
        applyEffect(type, amt, a1, a2, a3, a4);
    return tick();
}

// A standing order begins as an ordinary transaction that the user makes a
// repeater of, then sets its schedule in the repeater list.
bool Generator::makeRepeater(char type, Amount amt, const CalDate& d, int a1, int a2, int a3, int a4,
                             const QString& narr, int chnum, char freq, int inc, int rmdays, int count,
                             const CalDate& end) {
    TxnRec t;
    InitTxnRec(t);
    t.Type = type;
    t.Amt = amt;
    t.Txndate = t.Date2 = t.ActualDate = d;
    t.Accid1 = a1;
    t.Accid2 = a2;
    t.Accid3 = a3;
    t.Accid4 = a4;
    t.Narrative = narr;
    t.chnum = chnum;
    if (!WriteTransaction(m_core, t) || !MakePostings(m_core, t) || !MakeRepeater(m_core, t))
        return false;
    applyEffect(type, amt, a1, a2, a3, a4);
    Rptr r;
    if (!ReadRepeater(m_core, t.Masterid, r.rec))
        return false;
    r.rec.Freq = freq;
    r.rec.Rptinc = inc;
    r.rec.Rmdays = rmdays;
    r.rec.RptCt = count;
    r.rec.EndDate = end;
    if (!WriteRepeater(m_core, r.rec))
        return false;
    r.amt = amt;
    m_rptrs.push_back(r);
    return tick();
}

// Generation as the program runs it, one instance ahead of the day.
bool Generator::generateDue(const CalDate& day) {
    for (Rptr& r : m_rptrs) {
        if (!r.rec.RptActive || DateAfter(InstanceDate(r.rec, r.rec.Gento), day))
            continue;
        const int before = r.rec.Gento;
        GenerateInstances(m_core, r.rec, day);
        if (m_core.store().doomed())
            return false;
        const int made = r.rec.Gento - before;
        for (int k = 0; k < made; ++k)
            applyEffect(r.rec.Type, r.amt, r.rec.Accid1, r.rec.Accid2, r.rec.Accid3, r.rec.Accid4);
        if (made > 0 && !tick(made))
            return false;
    }
    return true;
}

// A statement balance: the account's balance at the end of day d, as its
// postings (including the bank's later-dated ones already written) give it.
bool Generator::reconcile(int acc, const CalDate& d) {
    Query q(m_core.store(), QStringLiteral("SELECT coalesce(sum(Amt), 0) FROM pstg WHERE Objid = :o AND"
                                           " Pstgdate <= :d AND Txntype <> 'A' AND Txntype <> 'D'"));
    q.bind("o", acc).bind("d", CalToDateStr(d));
    if (!q.next())
        return false;
    const Amount64 sum = q.int64(0);
    q.reset();
    ObjRec obj;
    if (!ReadObj(m_core, acc, obj))
        return false;
    const Amount64 balance = sum + obj.BfdBal;
    if (!FitsAmount(balance) || !RecordReconciledBalance(m_core, acc, d, Amount(balance)))
        return false;
    m_reconciled[acc] = d;
    return tick();
}

// The user ticked off every posting up to the latest statement and the
// account remembers the statement's date.
bool Generator::markReconciled() {
    for (const auto& [acc, date] : m_reconciled) {
        ObjRec obj;
        if (!ReadObj(m_core, acc, obj))
            return false;
        obj.Reconciled = CalToDateStr(date);
        if (!WriteObj(m_core, obj))
            return false;
        std::vector<int> txnids;
        {
            Query q(m_core.store(), QStringLiteral("SELECT Txnid FROM pstg WHERE Objid = :o AND Pstgdate <= :d"
                                                   " AND Txntype <> 'A' AND Txntype <> 'D' AND ReconCode = 0"));
            q.bind("o", acc).bind("d", CalToDateStr(date));
            while (q.next())
                txnids.push_back(q.integer("Txnid"));
            if (!q.ok())
                return false;
        }
        int n = 0;
        for (int id : txnids) {
            PstgRec p;
            if (!ReadPstg(m_core, id, acc, p))
                return false;
            p.ReconCode = 1;
            if (!WritePstg(m_core, p))
                return false;
            if (++n % (m_o.batchSize * 4) == 0 && !commitBatch())
                return false;
        }
    }
    return true;
}

bool Generator::closeObject(int id, const CalDate& d) {
    ObjRec obj;
    if (!ReadObj(m_core, id, obj))
        return false;
    obj.CloseDate = d;
    return WriteObj(m_core, obj);
}

bool Generator::addReminders() {
    int n = 0;
    for (int y = 0; y <= m_o.years; ++y) {
        for (int k = 0; k < 2; ++k) {
            CalDate tg = m_start;
            for (int i = 0; i < y; ++i)
                NextYear(tg);
            const int shift = int(m_rng.below(330)) + 20;
            for (int i = 0; i < shift; ++i)
                NextDay(tg);
            CalDate rm = tg;
            PrevDays(rm, 14);
            int id = 0;
            if (!NextRowId(m_core.store(), m_core.prompter(), QStringLiteral("remdr"), QStringLiteral("reminder"), id))
                return false;
            Query ins(m_core.store(), QStringLiteral("INSERT INTO remdr (Id, Txnid, Text, Rmdate, Tgdate)"
                                                     " VALUES (:id, 0, :text, :rm, :tg)"));
            ins.bind("id", id).bind("text", nth(kReminders, n++ % 5)).bind("rm", CalToInt(rm)).bind("tg", CalToInt(tg));
            if (!ins.exec())
                return false;
        }
    }
    return true;
}

// ---- the days ------------------------------------------------------------------------

int Generator::paymentAccount(const CalDate& d, Amount amt, int& chnum, int& lag) {
    const std::uint32_t r = m_rng.below(100);
    int acc = m_current;
    if (r < 45)
        acc = m_current;
    else if (r < 75)
        acc = m_card;
    else if (r < 90)
        acc = m_cash;
    else if (usableOld(d) && r < 95)
        acc = m_oldBank;
    else if (!m_otherBanks.empty())
        acc = m_otherBanks[m_rng.below(m_otherBanks.size())];
    chnum = 0;
    lag = 0;
    if (acc == m_current) {
        const std::uint32_t c = m_rng.below(10);
        chnum = c < 6 ? m_chDebit : c < 8 ? m_chOnline : 0;
        if (m_rng.chance(350))
            lag = int(m_rng.between(1, 3));
    } else if (acc == m_card) {
        chnum = m_rng.chance(700) ? m_chContactless : m_chCardOnline;
        if (m_rng.chance(500))
            lag = int(m_rng.between(1, 3));
    } else if (acc == m_cash && bal(m_cash) < amt) {
        // A cash machine on the way.
        const Amount w = std::max(money(10000), (amt + 999) / 1000 * 1000 + money(5000));
        if (!txn(TxnType::CashTfr, w, d, m_current, m_cash, 0, 0, QStringLiteral("Cash machine"), m_chDebit))
            return 0;
    }
    return acc;
}

bool Generator::payment(const CalDate& d) {
    const Cpty& shop = m_cptys[m_shops[m_rng.favoured(m_shops.size())]];
    // The usual category most of the time; refunds are for receipts.
    int ci = shop.ctgys[0];
    if (shop.ctgys.size() > 2 && m_rng.chance(300))
        ci = shop.ctgys[1 + m_rng.below(shop.ctgys.size() - 2)];
    const Ctgy& c = m_ctgys[ci];
    const Amount amt = money(m_rng.between(c.lo, c.hi));
    int pot = c.pot;
    if (pot == m_holidays && usableOld(d) && m_rng.chance(500))
        pot = m_oldPot;
    int chnum = 0, lag = 0;
    const int acc = paymentAccount(d, amt, chnum, lag);
    if (acc == 0)
        return false;
    QString ref;
    if (acc == m_current && c.name == QLatin1String("Repairs") && m_rng.chance(500)) {
        chnum = m_chCheque;
        ref = QStringLiteral("Chq ") + QString::number(m_cheque++);
    }
    const bool cancelled = m_rng.chance(15);
    return txn(TxnType::CashPayt, amt, d, acc, shop.id, pot, c.id, c.name, chnum, ref, cancelled, lag);
}

bool Generator::receipt(const CalDate& d) {
    // Receipts follow spending: their size pulls the money held back towards
    // the opening level within a month or two.  A proportional share of the
    // shortfall goes on each receipt, and the usual receipt itself moves with
    // the shortfall, so that outgoings the estimate left out (savings, trade)
    // are met too (a critically damped controller, in months).
    const Amount64 shortfall = m_target - liquid();
    m_receiptBase += shortfall / Amount64(4.0 * m_receiptsPerMonth * m_receiptsPerMonth);
    m_receiptBase = std::clamp<Amount64>(m_receiptBase, 0, money(5000000));
    Amount64 amt = m_receiptBase + shortfall / Amount64(m_receiptsPerMonth);
    amt = std::clamp<Amount64>(amt, money(500), money(5000000));
    const std::uint32_t r = m_rng.below(100);
    int cpty = 0, ctgy = 0;
    QString narr;
    if (r < 30) {
        const Cpty& shop = m_cptys[m_shops[m_rng.favoured(m_shops.size())]];
        cpty = shop.id;
        ctgy = m_ctgys[shop.ctgys.back()].id; // Refunds
        narr = QStringLiteral("Refund");
    } else if (r < 60) {
        const Cpty& cust = m_cptys[m_customers[m_rng.below(m_customers.size())]];
        cpty = cust.id;
        ctgy = m_ctgys[cust.ctgys[0]].id;
        narr = QStringLiteral("Cash sale");
    } else {
        const Cpty& emp = m_cptys[m_employers[m_rng.below(m_employers.size())]];
        cpty = emp.id;
        ctgy = m_ctgys[emp.ctgys.back()].id;
        narr = QStringLiteral("Overtime");
    }
    int acc = m_current;
    const std::uint32_t a = m_rng.below(10);
    if (a >= 7 && !m_otherBanks.empty())
        acc = m_otherBanks[m_rng.below(m_otherBanks.size())];
    else if (a == 6)
        acc = m_cash;
    const bool cancelled = m_rng.chance(15);
    return txn(TxnType::CashRcpt, Amount(amt), d, acc, cpty, m_general, ctgy, narr, 0, QString(), cancelled);
}

// A move between pots: from General to a budget pot while General has
// money, else from the best-filled budget pot back to General.
Amount Generator::potMove(std::int64_t cents, int& from, int& to) {
    const Amount amt = money(cents);
    const int pot = m_budgetPots[m_rng.below(m_budgetPots.size())];
    if (bal(m_general) > money(50000) + amt) {
        from = m_general, to = pot;
        return amt;
    }
    from = m_budgetPots[0];
    for (int p : m_budgetPots)
        if (bal(p) > bal(from))
            from = p;
    to = m_general;
    return amt;
}

bool Generator::randomTxn(const CalDate& d) {
    const std::uint32_t r = m_rng.below(1000);
    if (r < 670)
        return payment(d);
    if (r < 750)
        return receipt(d);
    if (r < 790) { // a purchase on credit from a supplier
        const Cpty& s = m_cptys[m_suppliers[m_rng.below(m_suppliers.size())]];
        const Ctgy& c = m_ctgys[s.ctgys[0]];
        return txn(TxnType::CredPurch, money(m_rng.between(c.lo, c.hi)), d, s.creditAcc, s.id, c.pot, c.id,
                   QStringLiteral("Invoice ") + QString::number(m_rng.between(1000, 9999)));
    }
    if (r < 820) { // a sale on credit
        const Cpty& s = m_cptys[m_customers[m_rng.below(m_customers.size())]];
        const Ctgy& c = m_ctgys[s.ctgys[0]];
        return txn(TxnType::CredSale, money(m_rng.between(c.lo, c.hi)), d, s.creditAcc, s.id, m_general, c.id,
                   QStringLiteral("Goods on account"), 0, QStringLiteral("INV-") + QString::number(m_done));
    }
    if (r < 880) { // transfers of type C: both sides, accounts only, pots only
        const std::uint32_t k = m_rng.below(4);
        const Amount amt = money(m_rng.between(2000, 60000));
        if (k < 2) {
            // Savings grow slowly and are spent now and then.
            const Amount small = money(m_rng.between(2000, 15000));
            if (bal(m_savings) > amt && bal(m_savingsPot) > amt &&
                (bal(m_savings) > money(800000) || m_rng.chance(250)))
                return txn(TxnType::Tfr, amt, d, m_savings, m_current, m_savingsPot, m_holidays,
                           QStringLiteral("Savings for a trip"));
            return txn(TxnType::Tfr, small, d, m_current, m_savings, m_general, m_savingsPot,
                       QStringLiteral("To savings"), m_chOnline);
        }
        if (k == 2) {
            // Money moved between banks leaves the pots alone.
            const int other = m_otherBanks[m_rng.below(m_otherBanks.size())];
            if (bal(other) > amt && bal(other) > bal(m_current))
                return txn(TxnType::Tfr, amt, d, other, m_current, 0, 0, QStringLiteral("Between banks"));
            return txn(TxnType::Tfr, amt, d, m_current, other, 0, 0, QStringLiteral("Between banks"), m_chOnline);
        }
        int from = 0, to = 0;
        const Amount a = potMove(m_rng.between(1000, 30000), from, to);
        return txn(TxnType::Tfr, a, d, 0, 0, from, to, QStringLiteral("Budget change"));
    }
    if (r < 930) { // cash from the bank, or money between banks
        if (bal(m_cash) < money(10000) || m_otherBanks.empty())
            return txn(TxnType::CashTfr, money(m_rng.between(2, 15) * 1000), d, m_current, m_cash, 0, 0,
                       QStringLiteral("Cash machine"), m_chDebit);
        const int other = m_otherBanks[m_rng.below(m_otherBanks.size())];
        const Amount amt = money(m_rng.between(2000, 40000));
        if (bal(other) > amt && m_rng.chance(500))
            return txn(TxnType::CashTfr, amt, d, other, m_current, 0, 0, QStringLiteral("Between banks"));
        return txn(TxnType::CashTfr, amt, d, m_current, other, 0, 0, QStringLiteral("Between banks"), m_chOnline);
    }
    if (r < 980) { // a pot transfer
        int from = 0, to = 0;
        const Amount a = potMove(m_rng.between(1000, 30000), from, to);
        return txn(TxnType::PotTfr, a, d, from, to, 0, 0, QStringLiteral("Budget top-up"));
    }
    return txn(TxnType::Diary, 0, d, 0, 0, 0, 0, nth(kDiary, int(m_rng.below(12))));
}

bool Generator::scheduled(int dayIndex, const CalDate& d, bool monthEnd) {
    const Cpty& landlord1 = m_cptys[m_landlords[0]];
    const Cpty& landlord2 = m_cptys[m_landlords[1]];
    const int rent = m_ctgys[m_ctgyByName[QStringLiteral("Rent")]].id;
    const int salary = m_ctgys[m_ctgyByName[QStringLiteral("Salary")]].id;
    const int interest = m_ctgys[m_ctgyByName[QStringLiteral("Interest")]].id;
    const int insurance = m_ctgys[m_ctgyByName[QStringLiteral("Insurance")]].id;
    const int utilities = m_ctgys[m_ctgyByName[QStringLiteral("Utilities")]].id;
    const int charges = m_ctgys[m_ctgyByName[QStringLiteral("Bank charges")]].id;
    const CalDate none;

    // Standing orders, each set up on its first day.
    if (dayIndex == 0) {
        CalDate end = m_start;
        for (int i = 0; i < m_moveDay; ++i)
            NextDay(end);
        if (!makeRepeater(TxnType::CashPayt, money(80000), d, m_current, landlord1.id, m_housing, rent,
                          QStringLiteral("Rent"), m_chStanding, 'M', 1, 5, 0, end))
            return false;
        if (!makeRepeater(TxnType::Tfr, money(10000), d, m_current, m_savings, m_general, m_savingsPot,
                          QStringLiteral("Monthly saving"), m_chStanding, 'M', 1, 0, 0, none))
            return false;
    }
    if (dayIndex == 3 && !makeRepeater(TxnType::CashPayt, money(1500), d, m_current, m_cptys[m_utilities[1]].id,
                                       m_housing, utilities, QStringLiteral("Window cleaner"), 0, 'D', 14, 0, 0, none))
        return false;
    if (dayIndex == 5 && !makeRepeater(TxnType::PotTfr, money(2500), d, m_general, m_holidays, 0, 0,
                                       QStringLiteral("Holiday saving"), 0, 'W', 2, 0, 0, none))
        return false;
    if (dayIndex == 10 &&
        !makeRepeater(TxnType::CashPayt, money(12000), d, m_current, m_cptys[m_utilities[0]].id, m_housing, utilities,
                      QStringLiteral("Electricity"), m_chStanding, 'M', 3, 10, 0, none))
        return false;
    if (dayIndex == 30 &&
        !makeRepeater(TxnType::CashPayt, money(42000), d, m_current, m_cptys[m_utilities[2]].id, m_housing, insurance,
                      QStringLiteral("Home insurance"), m_chOnline, 'Y', 1, 14, 0, none))
        return false;
    if (d.day == 25 && !m_salary) {
        // Salary, from the first 25th.
        m_salary = true;
        const Amount pay = Amount(std::min(0.8 * m_monthlySpend, 1.0e9));
        if (!makeRepeater(TxnType::CashRcpt, pay, d, m_current, m_cptys[m_employers[0]].id, m_general, salary,
                          QStringLiteral("Salary"), 0, 'M', 1, 0, 0, none))
            return false;
    }
    if (dayIndex == m_days / 5 &&
        !makeRepeater(TxnType::CashPayt, money(15000), d, m_current, m_bankCpty, m_general, charges,
                      QStringLiteral("Loan repayment"), m_chStanding, 'M', 1, 3, 12, none))
        return false;
    if (dayIndex == m_days / 10 && m_days / 10 > 40) {
        const Cpty& gym = m_cptys[m_shops[m_shops.size() / 2]];
        if (!makeRepeater(TxnType::CashPayt, money(3500), d, m_card, gym.id, m_household, m_ctgys[gym.ctgys[0]].id,
                          QStringLiteral("Membership"), m_chCardOnline, 'M', 1, 0, 0, none))
            return false;
    }
    if (dayIndex == m_days * 3 / 10) {
        // The membership is stopped by the user: the repeater is switched off.
        for (Rptr& r : m_rptrs)
            if (r.rec.Narrative == QLatin1String("Membership") && r.rec.RptActive) {
                r.rec.RptActive = false;
                if (!WriteRepeater(m_core, r.rec))
                    return false;
            }
    }
    // Subscriptions of larger ledgers.
    for (std::size_t i = 3; i < m_utilities.size() && i < 3 + std::size_t(m_o.cptys / 60); ++i)
        if (dayIndex == int(40 + 7 * i)) {
            const Cpty& u = m_cptys[m_utilities[i]];
            if (!makeRepeater(TxnType::CashPayt, money(m_rng.between(800, 4000)), d, m_card, u.id, m_housing,
                              m_ctgys[u.ctgys[0]].id, QStringLiteral("Subscription"), m_chCardOnline, 'M', 1, 2, 0,
                              none))
                return false;
        }
    // The move: the new landlord's rent from two weeks after the old one ends.
    if (dayIndex == m_moveDay + 14 &&
        !makeRepeater(TxnType::CashPayt, money(85000), d, m_current, landlord2.id, m_housing, rent,
                      QStringLiteral("Rent"), m_chStanding, 'M', 1, 5, 0, none))
        return false;
    if (dayIndex == m_moveDay + 40 && !closeObject(landlord1.id, d))
        return false;

    // Premium bonds bought early and then left alone (dormant later on).
    if (dayIndex == 12 && !txn(TxnType::Tfr, money(50000), d, m_current, m_bonds, m_general, m_savingsPot,
                               QStringLiteral("Premium bonds"), m_chOnline))
        return false;

    // The old current account and the old holiday fund are emptied and closed.
    if (dayIndex == m_closeDay) {
        const Amount64 b = bal(m_oldBank);
        if (b > 0 &&
            !txn(TxnType::CashTfr, Amount(b), d, m_oldBank, m_current, 0, 0, QStringLiteral("Closing old account")))
            return false;
        if (b < 0 && !txn(TxnType::CashTfr, Amount(-b), d, m_current, m_oldBank, 0, 0,
                          QStringLiteral("Closing old account"), m_chOnline))
            return false;
        const Amount64 p = bal(m_oldPot);
        if (p > 0 && !txn(TxnType::PotTfr, Amount(p), d, m_oldPot, m_holidays, 0, 0, QStringLiteral("Fund closed")))
            return false;
        if (p < 0 && !txn(TxnType::PotTfr, Amount(-p), d, m_general, m_oldPot, 0, 0, QStringLiteral("Fund closed")))
            return false;
        if (!closeObject(m_oldBank, d) || !closeObject(m_oldPot, d))
            return false;
        m_liquid.erase(std::remove(m_liquid.begin(), m_liquid.end(), m_oldBank), m_liquid.end());
    }

    if (d.day == 1) {
        // Each budget pot gets from General what was spent from it last
        // month (and what it is short); what piled up beyond two months'
        // spending goes back.
        for (int pot : m_budgetPots) {
            Amount64& spent = m_potSpent[pot];
            const Amount64 cap = std::max<Amount64>(money(100000), 2 * spent);
            const Amount64 level = spent + money(5000);
            if (bal(pot) > cap && !txn(TxnType::PotTfr, Amount(bal(pot) - cap / 2), d, pot, m_general, 0, 0,
                                       QStringLiteral("Budget surplus")))
                return false;
            if (bal(pot) < level && FitsAmount(level - bal(pot)) &&
                !txn(TxnType::PotTfr, Amount(level - bal(pot)), d, m_general, pot, 0, 0,
                     QStringLiteral("Monthly budget")))
                return false;
            spent = 0;
        }
        if (bal(m_cash) < money(3000) &&
            !txn(TxnType::CashTfr, money(20000), d, m_current, m_cash, 0, 0, QStringLiteral("Cash machine"), m_chDebit))
            return false;
    }
    if (d.day == 2) {
        // Other banks are kept between nothing and a little.
        for (int acc : m_otherBanks) {
            const Amount64 b = bal(acc);
            if (b < 0 && !txn(TxnType::CashTfr, Amount(-b + money(20000)), d, m_current, acc, 0, 0,
                              QStringLiteral("Top up"), m_chOnline))
                return false;
            if (b > money(300000) && !txn(TxnType::CashTfr, Amount(b - money(100000)), d, acc, m_current, 0, 0,
                                          QStringLiteral("Sweep to current")))
                return false;
        }
        if (usableOld(d) && bal(m_oldBank) < 0 &&
            !txn(TxnType::CashTfr, Amount(-bal(m_oldBank) + money(10000)), d, m_current, m_oldBank, 0, 0,
                 QStringLiteral("Top up"), m_chOnline))
            return false;
    }
    if (d.day == 20 && bal(m_card) < 0 &&
        !txn(TxnType::CashTfr, Amount(-bal(m_card)), d, m_current, m_card, 0, 0, QStringLiteral("Card payment"),
             m_chOnline))
        return false;
    if (d.day == 25) {
        // Trade credit settled: we pay the suppliers, the customers pay us.
        for (int idx : m_suppliers) {
            const Cpty& s = m_cptys[idx];
            if (bal(s.creditAcc) < 0 && !txn(TxnType::CashTfr, Amount(-bal(s.creditAcc)), d, m_current, s.creditAcc, 0,
                                             0, QStringLiteral("Settle account"), m_chOnline))
                return false;
        }
        for (int idx : m_customers) {
            const Cpty& s = m_cptys[idx];
            if (bal(s.creditAcc) > 0 && !txn(TxnType::CashTfr, Amount(bal(s.creditAcc)), d, s.creditAcc, m_current, 0,
                                             0, QStringLiteral("Account settled")))
                return false;
        }
    }
    if (monthEnd) {
        // Interest on savings.
        const Amount64 i = bal(m_savings) / 400;
        if (i > 0 && FitsAmount(i) &&
            !txn(TxnType::CashRcpt, Amount(i), d, m_savings, m_bankCpty, m_savingsPot, interest,
                 QStringLiteral("Interest")))
            return false;
    }
    return true;
}

// Statements come at the month's end, after the day's transactions.
bool Generator::endOfDay(const CalDate& d, bool monthEnd) {
    if (!monthEnd)
        return true;
    if (!reconcile(m_current, d) || !reconcile(m_card, d))
        return false;
    return d.month % 3 != 0 || reconcile(m_savings, d);
}

bool Generator::writeSettings() {
    Settings& s = m_core.settings();
    s.DefaultCashId = m_cash;
    s.DefaultCptyId = m_cptys[m_shops[0]].id;
    s.DefaultCtgyId = m_ctgys[0].id;
    s.DefaultPotId = m_household;
    s.SweepToPotId = m_savingsPot;
    s.OpeningBalPotId = m_general;
    s.CashbackAccId = m_cash;
    s.DatabaseName =
        m_o.demo ? QStringLiteral("Demo ledger") : QStringLiteral("Generated ledger, seed %1").arg(m_o.seed);
    s.PeriodType = 2; // rolling year
    s.PeriodAutoRefresh = false;
    s.RecomputeDerived();
    LedgerState& ls = Ledger(m_core);
    ReadObj(m_core, s.SweepToPotId, ls.sweepToPot);
    ReadObj(m_core, s.OpeningBalPotId, ls.openingBalPot);
    return WriteSettings(m_core);
}

bool Generator::run() {
    clampOptions();
    Prompter& p = m_core.prompter();
    Settings& s = m_core.settings();
    if (!IsNullDate(m_o.today))
        s.Today = m_o.today;
    m_end = s.Today;
    m_start = m_end;
    for (int y = 0; y < m_o.years; ++y)
        PrevYear(m_start);
    NormaliseDay(m_start);
    NextDay(m_start);
    m_days = int(DayNumber(m_end) - DayNumber(m_start)) + 1;
    m_closeDay = m_days * 2 / 5;
    m_moveDay = m_days / 2;

    QString folder = m_o.folder;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    if (QDir(folder).exists() && !QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty()) {
        p.ShowMessage(QStringLiteral("Folder is not empty ") + folder);
        return false;
    }
    SetDataFolder(m_core, folder);
    if (OpenDatabase(m_core) != OpenResult::Opened)
        return false;

    // The balance period: the last year.
    s.BalAt = m_end;
    s.BalFrom = m_end;
    PrevYear(s.BalFrom);
    NormaliseDay(s.BalFrom);
    NextDay(s.BalFrom);
    s.RecomputeDerived();

    m_counts.assign(m_days, 0);
    const std::int64_t total = std::int64_t(m_o.txnsPerYear) * m_o.years;
    for (std::int64_t i = 0; i < total; ++i)
        ++m_counts[m_rng.below(m_days)];
    m_planned = int(total);

    Store& store = m_core.store();
    store.setSynchronous(0);
    bool ok = commitBatch() && makeObjects() && addReminders();
    CalDate d = m_start;
    for (m_dayIndex = 0; ok && m_dayIndex < m_days; ++m_dayIndex) {
        CalDate next = d;
        NextDay(next);
        const bool monthEnd = next.month != d.month;
        ok = scheduled(m_dayIndex, d, monthEnd) && generateDue(d);
        for (int k = 0; ok && k < m_counts[m_dayIndex]; ++k)
            ok = randomTxn(d);
        ok = ok && endOfDay(d, monthEnd);
        d = next;
    }
    ok = ok && markReconciled() && m_batch->commit();
    m_batch.reset();
    store.setSynchronous(2);
    if (!ok)
        return false;
    if (m_o.progress)
        m_o.progress(m_done, m_planned);
    return writeSettings() && Rebalance(m_core) && writeSettings();
}

} // namespace

bool GenerateLedger(TFCore& core, const GenOptions& opts) {
    Generator g(core, opts);
    return g.run();
}
