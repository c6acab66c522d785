// Channel operations on channel.db; see Channels.h.
#include "ledger/Channels.h"

#include "base/Prompter.h"
#include "base/Text.h"
#include "data/Core.h"
#include "data/Store.h"
#include "ledger/Objects.h"

void ClearChannel(ChannelRec& rec) {
    rec = ChannelRec{};
}

bool ReadChannelRow(TFCore& core, int chnum, ChannelRow& row) {
    Query q(core.store(), QStringLiteral("SELECT Chnum, AccId, ChName, ChNote, ChSts FROM channel WHERE Chnum = :n"));
    q.bind("n", chnum);
    if (!q.next())
        return false;
    row.Chnum = q.integer("Chnum");
    row.AccId = q.integer("AccId");
    row.ChName = q.text("ChName");
    row.ChNote = q.text("ChNote");
    row.ChSts = q.integer("ChSts");
    return true;
}

bool ReadChannel(TFCore& core, int chnum, ChannelRec& rec) {
    ChannelRow row;
    if (!ReadChannelRow(core, chnum, row))
        return false;
    rec.Chnum = row.Chnum;
    rec.ChName = row.ChName;
    rec.AccId = row.AccId;
    return true;
}

int ListChannels(TFCore& core, int accountId, std::vector<IdTextRow>& list) {
    list.clear();
    Query q(core.store(), QStringLiteral("SELECT Chnum, ChName FROM channel WHERE AccId = :a ORDER BY Chnum"));
    q.bind("a", accountId);
    while (q.next())
        list.push_back({q.integer("Chnum"), q.text("ChName")});
    return int(list.size());
}

void ListChannelsWithDefault(TFCore& core, int accountId, std::vector<IdTextRow>& list) {
    ListChannels(core, accountId, list);
    list.push_back({0, QStringLiteral("<default channel>")});
}

bool WriteChannel(TFCore& core, ChannelRow& row) {
    StoreTransaction st(core.store());
    const QString name = LeftChars(row.ChName, 20);
    if (row.Chnum == 0) {
        int next = 1;
        {
            Query q(core.store(), QStringLiteral("SELECT COALESCE(MAX(Chnum), 0) + 1 FROM channel"));
            if (q.next())
                next = int(q.int64(0));
        }
        Query ins(core.store(), QStringLiteral("INSERT INTO channel (Chnum, AccId, ChName, ChNote, ChSts)"
                                               " VALUES (:n, :a, :name, :note, :sts)"));
        ins.bind("n", next).bind("a", row.AccId).bind("name", name).bind("note", row.ChNote).bind("sts", row.ChSts);
        if (!ins.exec())
            return false;
        if (!st.commit())
            return false;
        row.Chnum = next;
    } else {
        Query upd(core.store(), QStringLiteral("UPDATE channel SET AccId = :a, ChName = :name, ChNote = :note,"
                                               " ChSts = :sts WHERE Chnum = :n"));
        upd.bind("n", row.Chnum)
            .bind("a", row.AccId)
            .bind("name", name)
            .bind("note", row.ChNote)
            .bind("sts", row.ChSts);
        if (!upd.exec() || core.store().changes() != 1)
            return false;
        if (!st.commit())
            return false;
    }
    row.ChName = name;
    return true;
}

bool DeleteChannel(TFCore& core, int chnum) {
    if (!core.prompter().AskYesNo(QStringLiteral("Delete channel?")))
        return false;
    // The check and the delete form one transaction, so nothing can start
    // using the channel between them.
    StoreTransaction st(core.store());
    bool used = false;
    {
        Query q(core.store(), QStringLiteral("SELECT * FROM txn WHERE chnum = :x"));
        q.bind("x", chnum);
        used = q.next();
    }
    if (used) {
        core.prompter().ShowMessage(QStringLiteral("Channel has transaction(s) - cannot delete"));
        return false;
    }
    Query del(core.store(), QStringLiteral("DELETE FROM channel WHERE Chnum = :n"));
    del.bind("n", chnum);
    if (!del.exec() || core.store().changes() != 1)
        return false;
    return st.commit();
}
