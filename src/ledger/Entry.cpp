#include "ledger/Entry.h"

#include "base/Prompter.h"
#include "base/Text.h"
#include "data/Core.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "ledger/Closing.h"
#include "ledger/Repeaters.h"

#include <utility>

namespace {

QString NotSpecified(const char* slot) {
    return QString::fromLatin1(slot) + QStringLiteral(" not specified");
}

// A ticked date box must hold a date; the message names the box.
bool TickedDate(TFCore& core, const QString& boxName, const QString& text, CalDate& date) {
    if (ReadDateText(text, date))
        return true;
    core.prompter().ShowMessage(boxName + QStringLiteral(" is not a date - use yyyy-mm-dd"));
    return false;
}

// Reads the slot's object afresh and asks whether it is open at date.
bool OpenAt(TFCore& core, const ObjRec& slot, const CalDate& date) {
    ObjRec obj = slot;
    return CheckAccountOpenAt(core, obj, date);
}

} // namespace

bool ReadDateText(const QString& text, CalDate& date) {
    const QString t = text.trimmed();
    if (t.size() < 10 || t[4] != QLatin1Char('-') || t[7] != QLatin1Char('-'))
        return false;
    const CalDate d = DateStrToCal(t);
    if (IsNullDate(d) || d.year < 1 || d.month < 1 || d.month > 12 || d.day < 1 || d.day > MonthLength(d.year, d.month))
        return false;
    if (t.size() > 10 && !t[10].isSpace())
        return false;
    date = MakeDate(d.year, d.month, d.day);
    return true;
}

int ReadCountText(const QString& text) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok ? n : 0;
}

bool ValidateEntry(TFCore& core, EntryForm& form, TxnRec& N, EntryExtras& extras) {
    Prompter& p = core.prompter();
    InitTxnRec(N);
    extras = EntryExtras();
    const bool payRcpt = form.kind != 'T';

    // Dates.
    if (!form.actualTicked && !form.postingTicked) {
        p.ShowMessage(QStringLiteral("One or both of Actual Transaction/Posting Dates must be completed"));
        return false;
    }
    CalDate posting;
    if (form.postingTicked && (payRcpt || !form.actualTicked) &&
        !TickedDate(core, QStringLiteral("Posting date"), form.postingText, posting))
        return false;
    if (form.actualTicked) {
        if (!TickedDate(core, QStringLiteral("Actual txn date"), form.actualText, N.Txndate))
            return false;
        N.ActualDate = N.Txndate;
    } else {
        N.Txndate = posting;
    }
    N.Date2 = N.Txndate;
    if (payRcpt && form.postingTicked)
        N.Date2 = posting;
    const CalDate& start = core.settings().DBStartDate;
    if (!IsNullDate(start) && (DateBefore(N.Txndate, start) || DateBefore(N.Date2, start))) {
        p.ShowMessage(QStringLiteral("Txn/pstg date before db start date"));
        return false;
    }

    // Amount.
    if (form.amountText.trimmed().isEmpty()) {
        p.ShowMessage(QStringLiteral("Amount not specified"));
        return false;
    }
    if (!ReadAmount(p, form.amountText.trimmed(), N.Amt))
        return false;
    if (N.Amt < 0) {
        p.ShowMessage(QStringLiteral("Amount should be >= 0"));
        return false;
    }

    if (payRcpt) {
        if (form.credit) {
            if (form.counterparty.Id < 1) {
                p.ShowMessage(NotSpecified("Counterparty"));
                return false;
            }
            ObjRec cpty;
            if (!ReadObj(core, form.counterparty.Id, cpty))
                return false;
            form.counterparty = cpty;
            ObjRec account;
            if (cpty.AccWith <= 0) {
                if (!CreateCreditAccount(core, cpty, account))
                    return false;
                form.counterparty = cpty;
                form.external = account;
                form.extChannel = ChannelRec();
                p.ShowMessage(QStringLiteral("External Account \"") + account.Name + QStringLiteral("\" created"));
            } else {
                if (!ReadObj(core, cpty.AccWith, account))
                    return false;
                form.external = account;
            }
        }
        if (form.external.Id < 1) {
            p.ShowMessage(NotSpecified("External account"));
            return false;
        }
        if (form.internal.Id < 1) {
            p.ShowMessage(NotSpecified("Internal account"));
            return false;
        }
        if (form.counterparty.Id < 1) {
            p.ShowMessage(NotSpecified("Counterparty"));
            return false;
        }
        if (form.category.Id < 1) {
            p.ShowMessage(NotSpecified("Category"));
            return false;
        }
        if (!OpenAt(core, form.external, N.Date2) || !OpenAt(core, form.internal, N.Txndate) ||
            !OpenAt(core, form.counterparty, N.Date2) || !OpenAt(core, form.category, N.Date2))
            return false;
        N.Accid1 = form.external.Id;
        N.Accid2 = form.counterparty.Id;
        N.Accid3 = form.internal.Id;
        N.Accid4 = form.category.Id;
        N.Name1 = form.external.Name;
        N.Name2 = form.counterparty.Name;
        N.Name3 = form.internal.Name;
        N.Name4 = form.category.Name;
        N.chnum = form.extChannel.Chnum;
        N.ChName = form.extChannel.ChName;
        // The external account's provider, as stored now.
        ObjRec ext;
        const int provider = ReadObj(core, form.external.Id, ext) ? ext.AccWith : form.external.AccWith;
        const bool viaProvider = provider == form.counterparty.Id;
        N.Type = form.kind == 'P' ? (viaProvider ? 'X' : 'P') : (viaProvider ? 'Y' : 'R');
    } else {
        // Both ends of one side of a transfer: given, different, open at the date.
        auto checkSide = [&](const ObjRec& from, const ObjRec& to, const char* what, const CalDate& date) {
            if (from.Id < 1 || to.Id < 1) {
                p.ShowMessage(NotSpecified(what));
                return false;
            }
            if (from.Id == to.Id) {
                p.ShowMessage(QStringLiteral("From & To accounts must be different"));
                return false;
            }
            return OpenAt(core, from, date) && OpenAt(core, to, date);
        };
        if (form.extSide) {
            if (!checkSide(form.external, form.externalTo, "External account", N.Date2))
                return false;
            N.Accid1 = form.external.Id;
            N.Accid2 = form.externalTo.Id;
            N.Name1 = form.external.Name;
            N.Name2 = form.externalTo.Name;
            N.chnum = form.extChannel.Chnum;
            N.ChName = form.extChannel.ChName;
        }
        if (form.intSide) {
            if (!checkSide(form.internalFrom, form.internal, "Internal account", N.Txndate))
                return false;
            N.Accid3 = form.internalFrom.Id;
            N.Accid4 = form.internal.Id;
            N.Name3 = form.internalFrom.Name;
            N.Name4 = form.internal.Name;
        }
        N.Type = 'C';
    }

    if (form.cashback) {
        if (form.cashAccountId == 0) {
            p.ShowMessage(QStringLiteral("No cashback account selected"));
            return false;
        }
        if (!ReadAmount(p, form.cashbackText.trimmed(), extras.cashbackAmt))
            return false;
        extras.cashback = true;
        extras.cashAccountId = form.cashAccountId;
    }

    N.Cancelled = form.cancelled;
    N.Narrative = LeftChars(form.description, 40);
    N.Ref = LeftChars(form.reference, 20);

    if (form.repeat) {
        N.Role = roleMaster;
        N.Rpt.RptActive = form.active;
        N.Rpt.StartDate = N.Txndate;
        if (!form.untilText.trimmed().isEmpty() &&
            !TickedDate(core, QStringLiteral("Until date"), form.untilText, N.Rpt.EndDate))
            return false;
        if (form.freq != 'D' && form.freq != 'W' && form.freq != 'M' && form.freq != 'Y') {
            p.ShowMessage(QStringLiteral("Repeat frequency omitted"));
            return false;
        }
        N.Rpt.Freq = form.freq;
        N.Rpt.Rptinc = form.increment;
        N.Rpt.RptCt = ReadCountText(form.countText);
        N.Rpt.Rmdays = ReadCountText(form.reminderText);
        const bool longGap = (N.Rpt.Freq == 'M' && N.Rpt.Rptinc >= 2) || N.Rpt.Freq == 'Y';
        if (longGap && N.Rpt.Rmdays == 0 && !p.AskYesNo(QStringLiteral(" No reminder, are you sure?")))
            return false;
    }
    return true;
}

bool CheckProviderBypass(TFCore& core, const TxnRec& txn) {
    if (txn.Type != 'P' && txn.Type != 'R')
        return true;
    ObjRec ext;
    if (!ReadObj(core, txn.Accid1, ext) || ext.AccWith == txn.Accid2)
        return true;
    Query q(core.store(), QStringLiteral("SELECT count(*) FROM obj WHERE Type = 1 AND AccWith = :c"));
    q.bind("c", txn.Accid2);
    const bool provides = q.next() && q.int64(0) > 0;
    q.reset();
    if (!provides)
        return true;
    return core.prompter().AskYesNo(
        QStringLiteral("This transaction will bypass your external account with this counterparty - continue anyway?"));
}

bool RememberCategoryPot(TFCore& core, const TxnRec& txn) {
    if (txn.Type != 'P' && txn.Type != 'R' && txn.Type != 'X' && txn.Type != 'Y')
        return true;
    ObjRec ctgy;
    if (!ReadObj(core, txn.Accid4, ctgy) || ctgy.PotType == txn.Accid3)
        return true;
    ctgy.PotType = txn.Accid3;
    return WriteObj(core, ctgy);
}

namespace {

bool WriteCashback(TFCore& core, const TxnRec& N, const EntryExtras& extras) {
    TxnRec cb;
    InitTxnRec(cb);
    cb.Txndate = N.Txndate;
    cb.Date2 = N.Txndate;
    if (extras.cashbackAmt < 0) {
        cb.Type = 'P';
        cb.Amt = -extras.cashbackAmt;
    } else {
        cb.Type = 'R';
        cb.Amt = extras.cashbackAmt;
    }
    cb.Accid1 = extras.cashAccountId;
    cb.Accid2 = N.Accid2;
    cb.Accid3 = N.Accid3;
    cb.Accid4 = N.Accid4;
    cb.Ref = QStringLiteral("Cashback");
    return WriteTransaction(core, cb) && MakePostings(core, cb);
}

} // namespace

bool CommitEntry(TFCore& core, char mode, const TxnRec& O, TxnRec& N, const EntryExtras& extras) {
    Prompter& p = core.prompter();
    TxnRec old;
    if (mode == 'E')
        old = O;
    else
        InitTxnRec(old);
    if (!CheckReconciledBalances(core, old, N) || !CheckProviderBypass(core, N))
        return false;

    TxnRec out = N;
    if (mode == 'E') {
        out.Id = old.Id;
        out.Masterid = old.Masterid;
        out.Instance = old.Instance;
        out.Role = old.Role;
        if (old.Role != roleMaster)
            out.Rpt = old.Rpt;
        if (out.Role == roleMaster) {
            if (!p.AskYesNo(QStringLiteral("Update repeater master - OK?")))
                return false;
            RptrRec stored;
            if (!ReadRepeater(core, out.Masterid, stored)) {
                p.ProgramError(QStringLiteral("repeater not found ") + QString::number(out.Masterid));
                return false;
            }
            RptrRec rebuilt = RepeaterFromTxn(out);
            rebuilt.Id = stored.Id;
            rebuilt.Gento = stored.Gento;
            rebuilt.CreateTS = stored.CreateTS;
            if (!WriteRepeater(core, rebuilt))
                return false;
            N = out;
            return true;
        }
        if (old.Id == 0) {
            p.ProgramError(QStringLiteral("old txn id = 0"));
            return false;
        }
        if (!p.AskYesNo(QStringLiteral("Update existing txn - OK?")))
            return false;
    }

    StoreTransaction st(core.store());
    if (!st.ok())
        return false;
    if (mode == 'E' && !DeletePostings(core, old, 'D'))
        return false;
    if (!WriteTransaction(core, out) || !MakePostings(core, out))
        return false;
    if (out.Masterid > 0) {
        int lastId = 0;
        if (GenerateForMaster(core, out, lastId) && (out.Role == roleMaster || lastId > 0))
            out.Id = lastId;
        if (core.store().doomed())
            return false;
    }
    if (!LinkCptyCategory(core, out) || !RememberCategoryPot(core, out))
        return false;
    if (extras.cashback && !WriteCashback(core, out, extras))
        return false;
    if (!st.commit())
        return false;
    N = out;
    return true;
}

bool SweepProposal(TFCore& core, const TxnRec& base, int sourceId, int targetId, Amount amount, const CalDate& date,
                   const QString& narrative, TxnRec& proposal) {
    ObjRec source, target;
    if (amount == kMinAmount || !ReadObj(core, sourceId, source) || !ReadObj(core, targetId, target))
        return false;
    TxnRec t = base;
    t.Id = 0;
    t.Role = roleOrdinary;
    t.Masterid = 0;
    t.Instance = 0;
    t.Accid1 = source.Id;
    t.Name1 = source.Name;
    if (source.Type == otExtAcc) {
        t.Type = 'P';
    } else if (source.Type == otPot) {
        t.Type = 'G';
        t.Accid2 = target.Id;
        t.Name2 = target.Name;
        t.Accid3 = 0;
        t.Accid4 = 0;
        t.Name3.clear();
        t.Name4.clear();
    } else {
        return false;
    }
    t.Amt = amount < 0 ? -amount : amount;
    if (amount < 0) {
        if (t.Type == 'P') {
            t.Type = 'R';
        } else {
            std::swap(t.Accid1, t.Accid2);
            std::swap(t.Name1, t.Name2);
        }
    }
    t.Txndate = date;
    t.Narrative = LeftChars(narrative, 40);
    t.Ref = QStringLiteral("sweep");
    proposal = t;
    return true;
}

bool ReadChannelByNumber(TFCore& core, int chnum, ChannelRec& ch) {
    if (chnum <= 0)
        return false;
    Query q(core.store(), QStringLiteral("SELECT Chnum, ChName, AccId FROM channel WHERE Chnum = :n"));
    q.bind("n", chnum);
    if (!q.next())
        return false;
    ch.Chnum = q.integer("Chnum");
    ch.ChName = q.text("ChName");
    ch.AccId = q.integer("AccId");
    q.reset();
    return true;
}

bool SweepFollowUp(TFCore& core, int accountId, const CalDate& date) {
    StoreTransaction st(core.store());
    if (!st.ok() || !RecordReconciledBalance(core, accountId, date, 0))
        return false;
    ObjRec acc;
    if (!ReadObj(core, accountId, acc))
        return false;
    if (DateAfter(date, acc.ReconciledDate)) {
        acc.Reconciled = CalToDateStr(date);
        if (!WriteObj(core, acc))
            return false;
    }
    return st.commit();
}
