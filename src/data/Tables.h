// The nine ledger tables: their files, their layout at schema versions 12 and
// 18, the object kinds and transaction type letters, and the shared queries.
#pragma once

#include <QString>
#include <utility>
#include <vector>

class Prompter;
class Store;

// Object kinds (OBJ.DB Type).  Codes 2 and 5 are not used.
enum ObjKind : int {
    otExtAcc = 1,
    otCtgy = 3,
    otCpty = 4,
    otPot = 6,
    otPgrp = 7,
    otExtGrp = 8,
    otCptyGrp = 9,
    otCtgyGrp = 10,
};

bool IsLeafKind(int kind);
bool IsGroupKind(int kind);
// The group kind of a leaf kind's family and the leaf kind of a group kind's
// (1 <-> 8, 3 <-> 10, 4 <-> 9, 6 <-> 7); 0 for anything else.
int GroupKindOf(int kind);
int LeafKindOf(int kind);

// Transaction type letters (TXN.DB Type, PSTG.DB Txntype).
namespace TxnType {
constexpr char Tfr = 'C';
constexpr char Diary = 'D';
constexpr char PotTfr = 'G';
constexpr char CashPayt = 'P';
constexpr char CashRcpt = 'R';
constexpr char CashTfr = 'T';
constexpr char CredPurch = 'X';
constexpr char CredSale = 'Y';
constexpr char ReconBal = 'Z';
constexpr char Anchor = 'A';
} // namespace TxnType

constexpr int kCurrentSchema = 18;

// One table: its file in the data folder and the bare name SQL uses.
struct TableFile {
    const char* file;   // "OBJ.DB"
    const char* name;   // "obj"
};
// The nine tables, OBJ.DB first (the connection's main database).
const std::vector<TableFile>& LedgerTableFiles();

// Creates the nine tables (and their indexes) in the open store, at schema
// version 18 or 12 (12: no chnum, Fav or actualtxndate).  Returns false
// (reported) on failure.
bool CreateLedgerTables(Store& store, int schemaVersion = kCurrentSchema);

// Opens the store on a data folder: OBJ.DB as main, the other eight attached.
// With create, missing files are made and the tables created at
// schemaVersion; without it a missing file is an error.
bool OpenLedgerStore(Store& store, const QString& folder, bool create, int schemaVersion = kCurrentSchema);

// The next key of a table whose rows take the highest Id + 1 (1 in an empty
// table): obj, rptr, remdr.  When the ids have run out shows "Program error :
// no <what> id left" and gives false; a store error gives false (reported).
bool NextRowId(Store& store, Prompter& prompter, const QString& table, const QString& what, int& id);

// The shared queries of the core, in SQLite's dialect.
namespace SharedSql {
extern const QString PostingsOfAccount; // :objid
extern const QString GroupMembers;      // :grpid, :acctype1, :acctype2
extern const QString TxnsForArchive;    // :archdate
extern const QString AccountsProvidedBy; // :accwithid
extern const QString ObjectByName;      // :lname, :acctype
extern const QString SweepsOfDay;       // :ref, :txndate
extern const QString InstancesOfMaster; // :masterid
extern const QString TxnsByDate;
extern const QString AllObjects;
} // namespace SharedSql
