// Object records: the in-memory copy of one OBJ.DB row and the operations that
// read it, write it back, check names, name object kinds and walk the group
// tree.
//
// Every screen and ledger operation works on objects (external accounts, pots,
// counterparties, categories and their groups) through ObjRec, a plain value
// copied freely.  Nothing keeps a copy in step with OBJ.DB except reading it
// again; the EditTS comparison in UpdateObj is the only guard against writing
// back an outdated copy.
//
// The object's Note is not part of the record: ReadObj leaves it in the
// read-note buffer of the ledger state, and a full write stores the write-note
// buffer when the note-pending flag is raised (see LedgerState.h).
//
// All functions report through core.prompter() and never throw.  Writers open
// a StoreTransaction of their own, so a caller's outer transaction makes them
// part of one command.
#pragma once

#include "base/Amount.h"
#include "base/Dates.h"

#include <QDateTime>
#include <QString>
#include <vector>

class TFCore;
class Query;

struct ObjRec {
    int Id = 0;         // 0 = not stored yet
    int Type = 0;       // object kind code (ObjKind)
    QString Name;       // at most 40 characters stored
    QString Desig;      // at most 20 characters stored
    QString OrigName;   // name as last read or first stored (not stored); editors detect a rename with it
    Amount BfdBal = 0;  // kinds 7 and 8: replaced on read by the group's summed BfdBal from movts
    int Grpid = 0;      // containing group, 0 = at the top
    QString Reconciled; // DateStr of the latest reconciled balance as stored, empty = never
    CalDate OpenDate;
    CalDate CloseDate; // 99999999 (open) reads as 9999-99-99
    CalDate LastPstgDate;
    CalDate ReconciledDate; // Reconciled read as a date; never written back
    QDateTime RprTs;        // run marker; null = empty column
    bool AllowNegBal = true;
    bool AllowZeroBal = true;
    bool AllowPosBal = true;
    int AccWith = 0;    // ext. account: providing counterparty; counterparty: its credit account
    bool Sweep = false; // SweepTo > 0; written as 999 / 0
    bool CptyPays = false;
    bool CptyRcvs = false;
    int PayerDftPot = 0;
    int PayeeDftPot = 0;
    bool DmtLock = false;
    QDateTime CreateTS; // null when the column is empty
    QDateTime EditTS;   // null when the column is empty
    bool Fav = false;
    int PotType = 0; // category: its default pot
};

// One row of a list that a form shows: the text and the id it stands for.
struct IdTextRow {
    int id = 0;
    QString text;
};

// The fresh record: numbers 0, texts empty, dates null (day of week 99), the
// three Allow flags true, the other flags false.
void InitObjRec(ObjRec& rec);

// Reads object id into rec (fresh first).  id < 1 gives false silently; a
// missing row gives false and, while the report-not-found switch is on,
// "obj not found <id>".  The row's Note goes to the read-note buffer.  For a
// pot group or external group (7, 8) with a movts row, BfdBal is that row's
// summed BfdBal.
bool ReadObj(TFCore& core, int id, ObjRec& rec);
// Keeps every object that ReadObj reads for as long as it lives, so that a
// command reading the same few objects for each of thousands of lines (a
// statement import enters every line through the same accounts) reads each
// from OBJ.DB once.  Whatever writes an obj row while it lives, by any
// statement, drops that object (SQLite's update hook), and a rollback drops
// them all: a read never returns what is no longer stored.  Groups of kinds 7
// and 8 are not kept (their BfdBal comes from movts).  A scope opened while
// another is alive on the same core joins it.
class ObjectReadCache {
public:
    explicit ObjectReadCache(TFCore& core);
    ~ObjectReadCache();
    ObjectReadCache(const ObjectReadCache&) = delete;
    ObjectReadCache& operator=(const ObjectReadCache&) = delete;

    struct State; // what ReadObj consults

    // Drops every object kept by the scope alive on core: after a rollback to
    // a savepoint, which no hook reports.
    static void ForgetAll(TFCore& core);

private:
    State* m_state = nullptr; // null when joining an outer scope
};

// ReadObj of the record's own Id into it.
bool RereadObj(TFCore& core, ObjRec& rec);
// Copies the current row of a query over obj (SELECT * FROM obj ...) into rec
// as ReadObj does, without the note buffer and without the group BfdBal from
// movts.  For walks over many objects.
void ObjFromRow(const Query& q, ObjRec& rec);

// Stores rec as a new row.  An Id below 1 takes the highest stored Id + 1 (1
// in an empty table); a caller-supplied Id is kept (an Id already stored is a
// store error, reported, false).  CreateTS := now; OrigName := Name when
// empty.  Writes the pending note, if any.
bool AddObj(TFCore& core, ObjRec& rec);
// Writes rec over its row.  Mode 'A' writes the whole record with EditTS :=
// now; any other mode ('B') writes only RprTs.  A missing row: "obj not found
// <id>", false.  When the stored EditTS differs from rec.EditTS (someone wrote
// the row after rec was read) asks "Program error! Downdating account record
// <Name> <Id> - OK?"; No writes nothing and gives false.  The question is
// asked with the store transaction open.
bool UpdateObj(TFCore& core, ObjRec& rec, char mode);
// UpdateObj(rec, 'A') for a stored record (Id not 0), else AddObj.
bool WriteObj(TFCore& core, ObjRec& rec);
// Writes only the run marker RprTs := ts on rec's row (UpdateObj mode 'B' of a
// copy); rec itself is left as it was.
bool StampObj(TFCore& core, const ObjRec& rec, const QDateTime& ts);

// True when an object of this kind has the name, compared without regard to
// letter case in every alphabet; it is then read into rec and the message
// "<Kind Name> \"<stored name>\" already exists" is shown, e.g.
// External Account "Bank" already exists.  False (silent) otherwise.
bool NameExists(TFCore& core, int kind, const QString& name, ObjRec& rec);

// The kind's name with one trailing space: textCase 'U' capitalises each
// word, number 'S' singular, anything else plural.  KindName(3,'L','P') is
// "categories ", KindName(9,'U','S') "Counterparty Group ", an unused code
// "not known ".
QString KindName(int kind, char textCase, char number);

// "obj not found <id>" / "txn not found <id>".
void ObjNotFound(TFCore& core, int id);
void TxnNotFound(TFCore& core, int id);

// a + " : " + b; either alone when the other is empty.
QString JoinWithColon(const QString& a, const QString& b);

// The names of the groups above object id, root first, each as " <name> :";
// empty for an object at the top.  Stops at a missing row with the path built
// so far; after 100 levels shows "Group contains itself <id>" and stops.
QString GroupPath(TFCore& core, int id);

// The groups of a group kind (7..10) that an editor offers: first "<none>"
// (id 0), then every group by lower-case name, as GroupPath + " " + name,
// "(closed) " in front when it has a close date.  openOnly leaves out closed
// groups.  The list is replaced; forms select its first row.
void FillGroupList(TFCore& core, std::vector<IdTextRow>& list, int groupKind, bool openOnly);

// Makes the credit account of a counterparty: a new external account named
// "<cpty name> owes" (cut to 40 characters), provided by cpty (AccWith), open
// (close date 99999999), and stores it.  When cpty has no credit account yet,
// cpty.AccWith := the new id and cpty is written.  One store transaction;
// false (nothing stored) on failure.
bool CreateCreditAccount(TFCore& core, ObjRec& cpty, ObjRec& account);

// The members of group grpid of the family of kind (1/8, 3/10, 4/9, 6/7) in
// Id order, each copied by ObjFromRow.
std::vector<ObjRec> OpenGroupMembers(TFCore& core, int grpid, int kind);
// Moves each of members (as listed by OpenGroupMembers) to group newGrpid:
// ReadObj, Grpid := newGrpid, WriteObj.  One store transaction; false when a
// write failed (nothing moved).
bool ReparentMembers(TFCore& core, const std::vector<ObjRec>& members, int newGrpid);

// The first repeater (rptr order) with id in Accid1..Accid4 that is active,
// or any such repeater when activeOnly is false; 0 when none.
int FindRepeaterUsing(TFCore& core, int id, bool activeOnly);
