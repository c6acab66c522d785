// The account editors' checks and writes; see ObjectEditing.h.
#include "ledger/ObjectEditing.h"

#include "base/Prompter.h"
#include "base/Text.h"
#include "data/Core.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "ledger/Balances.h"
#include "ledger/Closing.h"
#include "ledger/LedgerState.h"
#include "ledger/Transactions.h"

#include <set>

QString DefaultAccountName(const QString& providerName, const QString& desig) {
    if (providerName.isEmpty())
        return QStringLiteral("Notes & Coin");
    if (desig.isEmpty())
        return providerName + QStringLiteral(" owes");
    return providerName + QLatin1Char(' ') + desig;
}

bool IsWithinGroup(TFCore& core, int groupId, int candidate) {
    // Walk up from candidate; a loop already stored ends the walk.
    std::set<int> seen;
    int id = candidate;
    while (id > 0 && seen.insert(id).second) {
        if (id == groupId)
            return true;
        Query q(core.store(), QStringLiteral("SELECT Grpid FROM obj WHERE Id = :id"));
        q.bind("id", id);
        if (!q.next())
            return false;
        id = q.integer("Grpid");
    }
    return false;
}

namespace {

QString CycleRefusal(const QString& name) {
    return QStringLiteral("Cannot move group ") + Quote(name) +
           QStringLiteral("into itself or one of its own sub-groups");
}

} // namespace

bool CheckGroupChoice(TFCore& core, ObjectEdit& edit, int grpid, const QString& backdateSuffix) {
    edit.backdateGroup = false;
    if (grpid > 0) {
        ObjRec group;
        if (!ReadObj(core, grpid, group))
            return false;
        if (IsGroupKind(edit.rec.Type) && edit.rec.Id > 0 && IsWithinGroup(core, edit.rec.Id, grpid)) {
            core.prompter().ShowMessage(CycleRefusal(edit.rec.Name));
            return false;
        }
        const GroupFit fit = CheckGroupFit(group, edit.rec);
        if (fit.code == 1)
            edit.backdateGroup = core.prompter().AskYesNo(fit.text + backdateSuffix);
        else if (fit.code != 0) {
            core.prompter().ShowMessage(fit.text);
            return false;
        }
    }
    edit.rec.Grpid = grpid;
    return true;
}

bool ChooseOpeningBalPot(TFCore& core, const PotChooser& choosePot, ObjRec& pot) {
    const QString head = QStringLiteral("The change to opening balance must be posted to a pot : ");
    LedgerState& ls = Ledger(core);
    InitObjRec(pot);
    if (ls.openingBalPot.Id > 0) {
        NotFoundQuiet quiet(core);
        if (!ReadObj(core, ls.openingBalPot.Id, pot))
            InitObjRec(pot);
    }
    for (;;) {
        while (pot.Id == 0) {
            if (!core.prompter().AskYesNo(head + QStringLiteral("please specify a pot for this")))
                return false;
            if (!choosePot(pot))
                return false;
        }
        const char a = core.prompter().AskAtCursor(head + QStringLiteral(" OK to use ") + QLatin1Char('"') + pot.Name +
                                                   QLatin1Char('"') + QStringLiteral(" for this ?"));
        if (a == 'Y')
            return true;
        if (a != 'N' || !choosePot(pot))
            return false;
    }
}

bool AdjustOpeningBalPot(TFCore& core, ObjRec& pot, Amount oldBal, Amount newBal) {
    const Amount64 v = Amount64(pot.BfdBal) - oldBal + newBal;
    if (!FitsAmount(v)) {
        core.prompter().ProgramError(QStringLiteral("opening balance of pot ") + Quote(pot.Name) +
                                     QStringLiteral("out of range"));
        return false;
    }
    pot.BfdBal = Amount(v);
    return WriteObj(core, pot);
}

bool SaveObjectEdit(TFCore& core, ObjectEdit& edit, const PotChooser& choosePot) {
    Prompter& p = core.prompter();
    ObjRec& rec = edit.rec;
    if (rec.Name.trimmed().isEmpty()) {
        p.ShowMessage(QStringLiteral("Account name must be specified"));
        return false;
    }
    if (rec.Type == otCpty && !rec.CptyPays && !rec.CptyRcvs) {
        p.ShowMessage(QStringLiteral("Counterparty must be a payer or a payee (or both)"));
        return false;
    }
    const bool renamed = !edit.isNew && LowerText(LeftChars(rec.Name, 40)) != LowerText(LeftChars(rec.OrigName, 40));
    const bool mayRepeat = rec.Type == otExtAcc && rec.AccWith > 0;
    if ((edit.isNew || renamed) && !mayRepeat) {
        ObjRec other;
        if (NameExists(core, rec.Type, rec.Name, other))
            return false;
    }
    const bool bfdChanged = rec.Type == otExtAcc && rec.BfdBal != edit.storedBfd;
    ObjRec pot;
    if (bfdChanged) {
        if (!rec.Reconciled.isEmpty() &&
            !p.AskYesNo(QStringLiteral("Change to b/fd bal will alter reconciled balance - continue anyway?")))
            return false;
        if (!ChooseOpeningBalPot(core, choosePot, pot))
            return false;
    }
    if (IsGroupKind(rec.Type))
        rec.Sweep = false;
    if (rec.Type == otCpty) {
        rec.PayerDftPot = 0;
        rec.PayeeDftPot = 0;
    }
    if (rec.Type == otCtgy && IsNullDate(rec.OpenDate))
        rec.OpenDate = core.settings().Today;

    ObjRec saved = rec;
    {
        // A failed command must not leave its note pending for a later write.
        struct NoteGuard {
            TFCore& core;
            ~NoteGuard() { Ledger(core).notePending = false; }
        } guard{core};
        StoreTransaction st(core.store());
        if (edit.backdateGroup && rec.Grpid > 0) {
            ObjRec group;
            if (!ReadObj(core, rec.Grpid, group))
                return false;
            group.OpenDate = rec.OpenDate;
            if (!WriteObj(core, group))
                return false;
        }
        if (bfdChanged && (!AdjustOpeningBalPot(core, pot, edit.storedBfd, rec.BfdBal)))
            return false;
        SetWriteNote(core, edit.note);
        if (!WriteObj(core, saved))
            return false;
        if (edit.isNew && IsLeafKind(saved.Type) && !EnsureAnchor(core, saved.Id))
            return false;
        if (saved.Type == otExtAcc && saved.AccWith > 0) {
            ObjRec provider;
            if (ReadObj(core, saved.AccWith, provider) && provider.AccWith == 0) {
                provider.AccWith = saved.Id;
                if (!WriteObj(core, provider))
                    return false;
            }
        }
        if (!st.commit())
            return false;
    }
    rec = saved;
    rec.OrigName = rec.Name;
    if (bfdChanged) {
        Ledger(core).openingBalPot = pot;
        core.settings().OpeningBalPotId = pot.Id;
    }
    if (bfdChanged || (!edit.isNew && rec.Grpid != edit.storedGrpid) || (edit.isNew && rec.Grpid > 0))
        core.SetRebalNeeded(true);
    Ledger(core).pickedObj = rec;
    edit.isNew = false;
    edit.storedBfd = rec.BfdBal;
    edit.storedGrpid = rec.Grpid;
    return true;
}

std::vector<IdTextRow> ProvidedAccounts(TFCore& core, int cptyId) {
    std::vector<IdTextRow> out;
    Query q(core.store(),
            QStringLiteral("SELECT id, name FROM obj WHERE accwith = :accwithid AND type = 1 ORDER BY id"));
    q.bind("accwithid", cptyId);
    while (q.next())
        out.push_back({q.integer("id"), q.text("name")});
    return out;
}

bool MoveObjectsToGroup(TFCore& core, const std::vector<int>& ids, int newGrpid) {
    for (int id : ids) {
        if (newGrpid > 0 && IsWithinGroup(core, id, newGrpid)) {
            ObjRec g;
            ReadObj(core, id, g);
            core.prompter().ShowMessage(CycleRefusal(g.Name));
            return false;
        }
    }
    {
        StoreTransaction st(core.store());
        for (int id : ids) {
            ObjRec rec;
            if (!ReadObj(core, id, rec))
                break;
            rec.Grpid = newGrpid;
            if (!WriteObj(core, rec))
                return false;
        }
        if (!st.commit())
            return false;
    }
    core.SetRebalNeeded(true);
    Rebalance(core);
    return true;
}
