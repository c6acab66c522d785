// Deleting and closing objects; see Closing.h.
#include "ledger/Closing.h"

#include "base/Prompter.h"
#include "base/Text.h"
#include "data/Core.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "ledger/Balances.h"
#include "ledger/Objects.h"
#include "ledger/Transactions.h"

namespace {

const QString kCannotDelete = QStringLiteral("Cannot delete - ");

qint64 CountPostings(TFCore& core, int id) {
    Query q(core.store(), QStringLiteral("SELECT count(*) FROM pstg WHERE Objid = :objid AND Txntype <> 'A' AND "
                                         "Txntype <> 'D'"));
    q.bind("objid", id);
    const qint64 n = q.next() ? q.int64(0) : 0;
    q.reset();
    return n;
}

qint64 CountProvidedAccounts(TFCore& core, int id) {
    Query q(core.store(), SharedSql::AccountsProvidedBy);
    q.bind("accwithid", id);
    qint64 n = 0;
    while (q.next())
        ++n;
    return n;
}

QString DateText(const CalDate& d) {
    return CalToDateStr(d);
}

// A picked date counts only when it is a date: the calendar's OK on an empty
// box hands back the null date, which as a close date would read "closed
// since the beginning of time".
bool PickRealDate(TFCore& core, const CalDate& start, CalDate& date) {
    CalDate d = start;
    if (!core.prompter().PickDate(d) || IsNullDate(d))
        return false;
    date = d;
    return true;
}

bool StoreCloseDate(TFCore& core, ObjRec& obj, const CalDate& date) {
    StoreTransaction t(core.store());
    if (!t.ok())
        return false;
    obj.CloseDate = date;
    return WriteObj(core, obj) && t.commit();
}

} // namespace

bool DeleteObject(TFCore& core, int id) {
    if (id < 1)
        return false;
    ObjRec obj;
    if (!ReadObj(core, id, obj))
        return false;
    Prompter& p = core.prompter();

    const qint64 postings = CountPostings(core, id);
    if (postings > 0) {
        p.ShowMessage(kCannotDelete + QString::number(postings) + QStringLiteral(" posting(s) found"));
        return false;
    }

    // The members may be moved out on the way; a later refusal or a No puts
    // them back, since the whole command is one transaction.
    StoreTransaction t(core.store());
    if (!t.ok())
        return false;
    const std::vector<ObjRec> members = OpenGroupMembers(core, id, obj.Type);
    if (!members.empty()) {
        if (!p.AskYesNo(kCannotDelete + QStringLiteral("group contains ") + QString::number(members.size()) +
                        QStringLiteral(" item(s) - empty Group?")))
            return false;
        if (!ReparentMembers(core, members, 0))
            return false;
    }

    if ((obj.Type == otExtAcc || obj.Type == otPot) && obj.BfdBal != 0) {
        p.ShowMessage(kCannotDelete + QStringLiteral("opening balance is not zero"));
        return false;
    }

    const qint64 provided = CountProvidedAccounts(core, id);
    if (provided > 0) {
        p.ShowMessage(kCannotDelete + QStringLiteral("counterparty has ") + QString::number(provided) +
                      QStringLiteral(" external account(s)"));
        return false;
    }

    const int rptr = FindRepeaterUsing(core, id, false);
    if (rptr != 0) {
        p.InfoAtCursor(kCannotDelete + QStringLiteral(" Account is referenced by Repeater #") + QString::number(rptr));
        return false;
    }

    if (!p.AskYesNo(QStringLiteral("Delete ") + KindName(obj.Type, 'L', 'S') + Quote(obj.Name) + QStringLiteral("?")))
        return false;
    if (!DeleteAnchor(core, id))
        return false;
    // The movts row goes too: a new object given this id must not inherit its
    // figures (a pot group reads its BfdBal from there).
    Query delMovt(core.store(), QStringLiteral("DELETE FROM movts WHERE Accid = :id"));
    delMovt.bind("id", id);
    Query delObj(core.store(), QStringLiteral("DELETE FROM obj WHERE Id = :id"));
    delObj.bind("id", id);
    if (!delMovt.exec() || !delObj.exec() || !t.commit())
        return false;
    // A category or counterparty may go with a brought-forward balance that
    // its groups' sums still hold.
    if (obj.BfdBal != 0 && obj.Grpid >= 1)
        core.SetRebalNeeded(true);
    return true;
}

bool AskCloseDate(TFCore& core, const ObjRec& obj, CalDate& date) {
    Prompter& p = core.prompter();
    if (core.settings().RebalNeeded) {
        p.InfoAtCursor(QStringLiteral("Cannot close - Rebalance needed"));
        return false;
    }
    const int rptr = FindRepeaterUsing(core, obj.Id, true);
    if (rptr != 0) {
        p.InfoAtCursor(QStringLiteral("Cannot close - Account is in active Repeater #") + QString::number(rptr));
        return false;
    }
    MovtRec movt;
    ReadMovt(core, obj.Id, movt);
    if (movt.Bal != 0 && !p.AskYesNo(QStringLiteral("Account balance not zero, are you sure you want to close?")))
        return false;
    const CalDate proposed = obj.CloseDate;
    if (!IsNullDate(obj.LastPstgDate)) {
        const char answer = p.AskAtCursor(QStringLiteral("Closing ") + KindName(obj.Type, 'L', 'S') + Quote(obj.Name) +
                                          QStringLiteral("... ") + QStringLiteral("\n") +
                                          QStringLiteral("OK to set close date to last posting date ") +
                                          DateText(obj.LastPstgDate) + QStringLiteral(" ?"));
        if (answer == 'Y') {
            date = obj.LastPstgDate;
            return true;
        }
        if (answer != 'N')
            return false;
    }
    return PickRealDate(core, proposed, date);
}

bool CloseAccount(TFCore& core, int id) {
    ObjRec obj;
    if (!ReadObj(core, id, obj))
        return false;
    if (IsGroupKind(obj.Type))
        return CloseGroup(core, id);
    CalDate date;
    if (!AskCloseDate(core, obj, date))
        return false;
    return StoreCloseDate(core, obj, date);
}

bool AskGroupCloseDate(TFCore& core, const ObjRec& group, const CalDate& start, CalDate& date) {
    if (!IsGroupKind(group.Type))
        return false;
    Prompter& p = core.prompter();
    DateInt latest = 0;
    CalDate latestDate;
    for (const ObjRec& m : OpenGroupMembers(core, group.Id, group.Type)) {
        const DateInt c = CalToInt(m.CloseDate);
        if (c > latest) {
            latest = c;
            latestDate = m.CloseDate;
        }
        if (latest == kNotClosed) {
            p.InfoAtCursor(QStringLiteral("Group contains open subgroup/account ") + Quote(m.Name) +
                           QStringLiteral("- cannot close"));
            return false;
        }
    }
    if (latest != 0) {
        const char answer =
            p.AskAtCursor(QStringLiteral("Closing Group ") + Quote(group.Name) + QStringLiteral(" ... ") +
                          QStringLiteral("\n") + QStringLiteral("OK to use latest account close date in group ") +
                          DateText(latestDate) + QStringLiteral(" ?"));
        if (answer == 'Y') {
            date = latestDate;
            return true;
        }
        if (answer != 'N')
            return false;
        return PickRealDate(core, latestDate, date);
    }
    p.InfoAtCursor(QStringLiteral("Group is empty - enter close date"));
    return PickRealDate(core, start, date);
}

bool CloseGroup(TFCore& core, int id) {
    ObjRec group;
    if (!ReadObj(core, id, group))
        return false;
    CalDate date;
    if (!AskGroupCloseDate(core, group, CalDate(), date))
        return false;
    return StoreCloseDate(core, group, date);
}

bool CheckAccountOpenAt(TFCore& core, ObjRec& obj, const CalDate& date) {
    if (IsNullDate(date))
        return true;
    ObjRec fresh;
    if (!ReadObj(core, obj.Id, fresh))
        return true;
    obj = fresh;
    Prompter& p = core.prompter();
    if (DateBefore(obj.CloseDate, date)) {
        if (!p.AskYesNo(QStringLiteral("Account ") + Quote(obj.Name) + QStringLiteral("is closed - transact anyway ?")))
            return false;
        if (p.AskYesNo(QStringLiteral("Forward-date account close date to transaction date?"))) {
            ObjRec r = obj;
            r.CloseDate = date;
            if (!WriteObj(core, r))
                return false;
            obj = r;
        }
        return true;
    }
    if (DateBefore(date, obj.OpenDate)) {
        if (DateBefore(obj.OpenDate, core.settings().Today) &&
            !p.AskYesNo(QStringLiteral("Transaction pre-dates earliest for ") + KindName(obj.Type, 'U', 'S') +
                        Quote(obj.Name) + QStringLiteral("on ") + DateText(obj.OpenDate) + QStringLiteral(" - OK ?")))
            return false;
        ObjRec r = obj;
        r.OpenDate = date;
        if (!WriteObj(core, r))
            return false;
        obj = r;
        return true;
    }
    return true;
}

GroupFit CheckGroupFit(const ObjRec& group, const ObjRec& member) {
    GroupFit fit;
    const int m = member.Type;
    const bool memberKindOk = IsLeafKind(m) || IsGroupKind(m);
    const int wanted = IsLeafKind(m) ? GroupKindOf(m) : m;
    if (!memberKindOk || !IsGroupKind(group.Type) || group.Type != wanted) {
        fit.code = 3;
        fit.text = QStringLiteral("Acc/Grp invalid acctype combi");
        return fit;
    }
    if (IsNullDate(member.OpenDate))
        return fit;
    const QString head =
        QStringLiteral(" Group ") + QString::number(group.Id) + QStringLiteral(" ") + Quote(group.Name);
    const QString suffix = QStringLiteral(" for Account / Sub-Group ") + Quote(member.Name);
    if (DateBefore(member.OpenDate, group.OpenDate)) {
        fit.code = 1;
        fit.text = head + QStringLiteral("opened too late") + suffix;
    } else if (DateAfter(member.CloseDate, group.CloseDate)) {
        fit.code = 2;
        fit.text = head + QStringLiteral("closed too soon") + suffix;
    }
    return fit;
}
