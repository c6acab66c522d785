// The balances view's list: the objects of one kind with their groups, by
// level, with their period figures.
//
// Which objects the list holds is kept in OBJ.DB itself: each listed object
// carries the list stamp in its run marker RprTs, and the list is the query
// "rprts = :ts" narrowed by the filter.  Drilling into a group, going back,
// expanding or collapsing a group in place and expanding everything are
// therefore stamping operations followed by a rebuild.  The rows come back as
// plain values with their calculated columns (display name without the
// common path, b/fd, c/fd, the allow-flag warning, the status in the period,
// the last posting date) and the totals, so that the window only shows them.
//
// Sums are taken in 64 bits: a c/fd or a total beyond the Amount range is
// shown as it is, never wrapped.
#pragma once

#include "base/Amount.h"
#include "base/Dates.h"
#include "ledger/Objects.h"

#include <QDateTime>
#include <QString>
#include <vector>

class TFCore;

enum class BalFilter { Active, Available, Recents, All };
enum class BalSequence { Name, Amount };

struct BalancesRow {
    // As read.
    int id = 0;
    int type = 0;
    int grpid = 0;
    QString path; // the object's group path (" Grp :" per level)
    QString name;
    QString reconciled;
    Amount bfdbal = 0;
    Amount prepdnet = 0;
    Amount pdpayts = 0;
    Amount pdrcpts = 0;
    Amount pdtfrs = 0;
    bool allowNegBal = true;
    bool allowZeroBal = true;
    bool allowPosBal = true;
    DateInt lastPstgDate = 0;
    DateInt closeDate = 0;
    // Calculated.
    QString dpname;   // path, a blank and name, less the common path
    QString pottype2; // "GROUP" on group rows
    QString balwng;   // "!" when c/fd breaks the allow flags
    QString dormant2; // "", "closed later" or "closed <date>"
    QString lpdatedp; // last posting date as text, or empty
    Amount64 bfd = 0; // bfdbal + prepdnet
    Amount64 net = 0; // payments + receipts + transfers
    Amount64 cfd = 0; // bfd + net

    bool isGroup() const;
};

struct BalancesTotals {
    Amount64 bfd = 0;
    Amount64 payts = 0;
    Amount64 rcpts = 0;
    Amount64 tfrs = 0;
    Amount64 net = 0;
    Amount64 bal = 0;
    int count = 0;
};

// An amount of any size in the amounts' format; signedPlus puts "+" before a
// positive one (as FormatAmountSigned).
QString FormatAmount64(Amount64 a, bool signedPlus);

// The calculated columns of one row, for a period ending at balAt and a
// common path (a single blank at the top level).
void CalcBalancesRow(BalancesRow& row, const QString& commonPath, DateInt balAt);
// The totals of the rows.
BalancesTotals TotalBalances(const std::vector<BalancesRow>& rows);
// The overflow warning for a Balance total, or empty when it is far enough
// from the limit of an Amount.
QString OverflowWarning(Amount64 balanceTotal);
// The period's description: "From yyyy-mm-dd to yyyy-mm-dd".
QString PeriodDescription(const CalDate& from, const CalDate& at);

class BalancesList {
public:
    explicit BalancesList(TFCore& core);

    // Opening from the menu: both value switches off, the top level stamped.
    // A kind other than 1, 3, 4 or 6: "Program error : Invalid acc type" and
    // false (nothing changes).  Rebuilds.
    bool Open(int kind);
    // Opening on a group (kind = the group's kind 7..10 or its leaf kind):
    // the group's direct members with the group current.  Rebuilds.
    bool OpenInGroup(int groupId, int groupKind);

    // Stamping; each takes a fresh list stamp except ExpandGroup and
    // CollapseGroup, which change the current list in place.  Each rebuilds.
    void TopLevel(); // also "Collapse all"
    bool DrillDown(int groupId);
    // Back to the parent level; the id of the group left (0 at the top).
    int Back();
    // Expands a group row in place; false with "Group \"<name>\" is empty -
    // cannot expand" when it has no members (nothing changes).
    bool ExpandGroup(int groupId);
    // Collapses the expanded group groupId (its descendants leave the list,
    // the group row comes back).
    bool CollapseGroup(int groupId);
    void ExpandAll();
    // A fresh stamp of the current group's direct members (after New,
    // Regroup); no rebuild.
    void StampAfresh();
    // After a new account: a fresh stamp, a rebuild, and when the filter
    // hides the account, "Display filter will be widened to show new
    // account" and a rebuild with the filter All.  The account's row, -1
    // when it is still not listed (created in another group).
    int ShowNewAccount(int id);
    // Reads the current group again (after its editor saved) and rebuilds.
    bool ReloadGroup();

    // Runs the query by the filter and sequence into rows and totals.  Runs
    // the rebalance first when values are to be shown and RebalNeeded is on.
    // Shows the overflow warning when the Balance total is near the limit.
    bool Rebuild();
    // "Show values": movements on, balances on for kinds 1 and 6; rebuilds.
    bool ShowValues();

    // The SQL that Rebuild runs for the present state.
    QString BuildSql() const;

    // Row of an id, first row in a group, -1 when absent.
    int RowOfId(int id) const;
    int FirstRowInGroup(int grpid) const;
    // Find as you type: the first row whose display name starts with text or
    // sorts after it (without regard to case); -1 when none; 0 for an empty
    // text with rows.
    int FindRow(const QString& text) const;

    // Presentation.
    QString Caption() const;       // the kind's plural name, capitalised
    QString FilterLabel() const;   // "Filter : Available" ...
    QString PeriodCaption() const; // "  Period From ... to ..."
    QString PathLabel() const;     // "" at the top, else the common path and "..."
    bool BalancesVisible() const;  // balance columns (B/fd, Balance); also allows Sweep
    bool MovementsVisible() const;
    bool TransfersVisible() const;
    bool FlagColumnsVisible() const; // "!" and "Reconciled"
    // A row that lies in an expanded group (its group is not the current one).
    bool InExpandedGroup(int row) const;

    int kind() const { return m_kind; }
    int groupKind() const { return m_groupKind; }
    int currentGroup() const { return m_group; }
    const ObjRec& currentGroupRec() const { return m_groupRec; }
    QString commonPath() const { return m_commonPath; }
    QDateTime stamp() const { return m_stamp; }
    const std::vector<BalancesRow>& rows() const { return m_rows; }
    const BalancesTotals& totals() const { return m_totals; }
    QString warning() const { return m_warning; }

    BalFilter filter = BalFilter::Available;
    BalSequence sequence = BalSequence::Name;
    // Requested value switches; Rebuild copies them into effect.
    bool wantBalances = false;
    bool wantMovements = false;

private:
    QDateTime NewStamp();
    // Writes ts (null clears) into the run marker of each object, as one
    // store transaction.
    bool StampAll(const std::vector<ObjRec>& objs, const QDateTime& ts);
    // The objects below a group at any depth: accounts only, or accounts and
    // groups.
    std::vector<ObjRec> Descendants(int groupId, bool withGroups);
    void SetGroup(int groupId);

    TFCore& m_core;
    int m_kind = 1;
    int m_groupKind = 8;
    int m_group = 0;
    ObjRec m_groupRec;
    QString m_commonPath = QStringLiteral(" ");
    QDateTime m_stamp;
    bool m_balances = false;
    bool m_movements = false;
    bool m_needsRebal = false;
    std::vector<BalancesRow> m_rows;
    BalancesTotals m_totals;
    QString m_warning;
};
