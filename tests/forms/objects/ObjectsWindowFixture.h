// A ledger for the object windows' tests: one core on a temporary data folder
// for the whole test run (the windows are created once and keep their core),
// emptied of objects before each test, and objects made with the columns the
// lists read.
#pragma once

#include "data/Core.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "ledger/Objects.h"
#include "support/ScriptedPrompter.h"
#include "support/TempFolder.h"

#include <QtTest>

struct ObjectsWindowFixture {
    TempFolder dir;
    ScriptedPrompter prompter;
    TFCore core{prompter};

    bool open() {
        if (!dir.valid() || !OpenLedgerStore(core.store(), dir.path(), true))
            return false;
        core.setDataFolder(dir.path());
        Settings& s = core.settings();
        s.Today = MakeDate(2024, 6, 15);
        s.RecomputeDerived();
        return true;
    }

    void reset() {
        QVERIFY(core.store().exec(QStringLiteral("DELETE FROM obj")));
        prompter.clearRecorded();
    }

    int obj(int kind, const QString& name, DateInt last = 0, DateInt closed = kNotClosed, bool fav = false) {
        ObjRec r;
        InitObjRec(r);
        r.Type = kind;
        r.Name = name;
        r.CloseDate = IntToCal(closed);
        r.LastPstgDate = IntToCal(last);
        r.Fav = fav;
        if (!AddObj(core, r))
            return 0;
        return r.Id;
    }

    bool favInStore(int id) {
        Query q(core.store(), QStringLiteral("SELECT Fav FROM obj WHERE Id = :id"));
        q.bind("id", id);
        return q.next() && q.boolean("Fav");
    }
};
