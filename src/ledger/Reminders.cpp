#include "ledger/Reminders.h"

#include "base/Prompter.h"
#include "base/Text.h"
#include "data/Core.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "ledger/Repeaters.h"
#include "ledger/Transactions.h"

namespace {

// A DateInt column as stored (an older table may hold it as text).
DateInt DateIntColumn(const Query& q, const char* col) {
    const std::int64_t v = q.int64(col);
    return (v < 0 || v > kNotClosed) ? 0 : DateInt(v);
}

} // namespace

bool ListReminders(TFCore& core, bool currentOnly, std::vector<ReminderRow>& rows) {
    rows.clear();
    QString sql = QStringLiteral("SELECT * FROM remdr");
    if (currentOnly)
        sql += QStringLiteral(" WHERE rmdate <= :dt");
    sql += QStringLiteral(" ORDER BY tgdate, id");
    Query q(core.store(), sql);
    if (currentOnly)
        q.bind("dt", CalToInt(core.settings().Today));
    while (q.next()) {
        ReminderRow r;
        r.Id = q.integer("Id");
        r.Txnid = q.integer("Txnid");
        r.Text = q.text("Text");
        r.Rmdate = DateIntColumn(q, "Rmdate");
        r.Tgdate = DateIntColumn(q, "Tgdate");
        rows.push_back(r);
    }
    return q.ok();
}

bool AddReminder(TFCore& core, const CalDate& target, const QString& text) {
    StoreTransaction st(core.store());
    if (!st.ok())
        return false;
    int id = 0;
    if (!NextRowId(core.store(), core.prompter(), QStringLiteral("remdr"), QStringLiteral("reminder"), id))
        return false;
    Query q(core.store(), QStringLiteral("INSERT INTO remdr (Id, Txnid, Text, Rmdate, Tgdate) "
                                         "VALUES (:id, 0, :text, :rmdate, :tgdate)"));
    q.bind("id", id)
        .bind("text", LeftChars(text, 255))
        .bind("rmdate", CalToInt(core.settings().Today))
        .bind("tgdate", CalToInt(target));
    return q.exec() && st.commit();
}

bool NewReminder(TFCore& core) {
    Prompter& p = core.prompter();
    QString dateText;
    if (!p.InputString(QStringLiteral("New Reminder"), QStringLiteral("Enter target date (yyyy-mm-dd)"), dateText))
        return false;
    const CalDate target = DateStrToCal(dateText.trimmed());
    if (!IsCalendarDate(target)) {
        p.InfoAtCursor(QStringLiteral("Invalid date"));
        return false;
    }
    QString text;
    if (!p.InputString(QStringLiteral("New Reminder"), QStringLiteral("Enter description"), text))
        return false;
    return AddReminder(core, target, text);
}

bool DeleteReminderAsked(TFCore& core, int id) {
    if (!core.prompter().AskYesNo(QStringLiteral("OK to delete?")))
        return false;
    StoreTransaction st(core.store());
    Query q(core.store(), QStringLiteral("DELETE FROM remdr WHERE Id = :id"));
    q.bind("id", id);
    return st.ok() && q.exec() && st.commit();
}

int RemoveDanglingReminders(TFCore& core, const std::vector<ReminderRow>& rows) {
    StoreTransaction st(core.store());
    if (!st.ok())
        return 0;
    int removed = 0;
    for (const ReminderRow& r : rows) {
        if (r.Txnid <= 0 || TxnExists(core, r.Txnid))
            continue;
        Query q(core.store(), QStringLiteral("DELETE FROM remdr WHERE Id = :id"));
        q.bind("id", r.Id);
        if (!q.exec())
            return 0;
        ++removed;
    }
    return st.commit() ? removed : 0;
}

bool ListRepeaters(TFCore& core, bool activeOnly, std::vector<RepeaterRow>& rows) {
    rows.clear();
    QString sql = QStringLiteral(
        "SELECT r.id, r.startdate, r.enddate, r.freq, r.type, r.amt, r.gento, r.narrative, r.rptactive, r.rptinc, "
        "o1.name AS accname1, o2.name AS accname2, o3.name AS accname3, o4.name AS accname4 "
        "FROM rptr r "
        "LEFT JOIN obj o1 ON o1.id = r.accid1 "
        "LEFT JOIN obj o2 ON o2.id = r.accid2 "
        "LEFT JOIN obj o3 ON o3.id = r.accid3 "
        "LEFT JOIN obj o4 ON o4.id = r.accid4 ");
    if (activeOnly)
        sql += QStringLiteral("WHERE (r.rptactive = 1) ");
    sql += QStringLiteral("ORDER BY r.id");
    Query q(core.store(), sql);
    while (q.next()) {
        RepeaterRow r;
        r.Id = q.integer("id");
        const QString freq = q.text("freq");
        r.Freq = QString::number(q.integer("rptinc")) + freq.left(1);
        const QString type = q.text("type");
        if (!type.trimmed().isEmpty())
            r.TxnType = TxnTypeShort(type.at(0).toLatin1());
        r.Amt = Amount(q.int64("amt"));
        r.AmtText = FormatAmount(r.Amt);
        r.AccName1 = q.text("accname1");
        r.AccName2 = q.text("accname2");
        r.AccName3 = q.text("accname3");
        r.AccName4 = q.text("accname4");
        r.Active = q.boolean("rptactive") ? QStringLiteral("ACTIVE") : QString();
        // Shown as stored: the schedule's DateInt digits.
        r.StartDate = q.isNull("startdate") ? QString() : QString::number(q.int64("startdate"));
        r.EndDate = q.isNull("enddate") ? QString() : QString::number(q.int64("enddate"));
        r.Gento = q.integer("gento");
        r.Narrative = q.text("narrative");
        rows.push_back(r);
    }
    return q.ok();
}

bool DeleteRepeaterAsked(TFCore& core, int id) {
    Prompter& p = core.prompter();
    int count = 0;
    {
        Query q(core.store(), QStringLiteral("SELECT COUNT(*) AS n FROM txn WHERE Masterid = :masterid"));
        q.bind("masterid", id);
        if (!q.next())
            return false;
        count = q.integer("n");
    }
    const QString head = QStringLiteral("Delete Repeater ");
    int option = 0;
    QString question;
    if (count > 0) {
        option =
            p.Choose(head + QStringLiteral(": also delete ") + QString::number(count) + QStringLiteral(" Instance(s)?"),
                     QStringLiteral("Retain Instances"), QStringLiteral("Delete Instances"));
        if (option == 0)
            return false;
        question = head + (option == 1 ? QStringLiteral("Master, retaining Instances as stand-alone txns")
                                       : QStringLiteral("Master and all Instances"));
    } else {
        question = head + QStringLiteral("with no instances");
    }
    if (!p.AskYesNo(question + QStringLiteral(" - are you sure?")))
        return false;
    if (option == 2 && !p.AskYesNo(QStringLiteral("Are you rally sure you want to delete Repeater Instances?")))
        return false;

    StoreTransaction st(core.store());
    if (!st.ok())
        return false;
    if (option == 2 && !DeleteInstancesFrom(core, id, 1))
        return false;
    if (option == 1 && !DetachInstances(core, id))
        return false;
    if (!DeleteRepeaterRow(core, id))
        return false;
    return st.commit();
}

bool AddDiaryEntry(TFCore& core, const CalDate& date, const QString& description, int& id) {
    TxnRec txn;
    InitTxnRec(txn);
    txn.Txndate = date;
    txn.ActualDate = date;
    txn.Type = 'D';
    txn.Narrative = LeftChars(description, 40);
    StoreTransaction st(core.store());
    if (!st.ok() || !WriteTransaction(core, txn) || !MakePostings(core, txn) || !st.commit())
        return false;
    id = txn.Id;
    return true;
}
