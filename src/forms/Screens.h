// How the windows reach each other.
//
// Every window is created once, on first use, and reused for the whole run.
// A window that opens another calls the entry point below rather than the
// other window's class, so each module depends only on this list; each entry
// point is defined in the module of the window it opens.  Results that a
// window hands back (the object picked, the channel chosen, the entry form's
// current transaction) live in the ledger state (ledger/LedgerState.h):
// PickedObj(core), PickedChannel(core).
#pragma once

#include "ledger/Channels.h"
#include "ledger/Objects.h"
#include "ledger/Sweeps.h"
#include "ledger/Transactions.h"

#include <QString>
#include <utility>
#include <vector>

class QAbstractItemModel;
class QTableView;
class TFCore;
struct CsvMapping;

// ---- shared results --------------------------------------------------------

// The object chosen last (account picker, find-account dialog, editors).
ObjRec& PickedObj(TFCore& core);
// The channel chosen last for an external account.
ChannelRec& PickedChannel(TFCore& core);

// ---- account picker (objects/TFAccs) ---------------------------------------

// Modal choice of one object of a kind; true when chosen (PickedObj holds it,
// and for kind 1 PickedChannel the channel chosen for it).  Kind 0, a cancel
// or a refusal (the window for the kind already showing) give false.
bool Pick(TFCore& core, int kind, int preselectId = 0);

// ---- account editors (objects/) ---------------------------------------------

// The editor for a new object of the kind with the proposed name; the new id,
// or 0 when cancelled.
int NewObject(TFCore& core, int kind, const QString& proposedName = QString());
// The editor of an existing object; true when saved.
bool EditObject(TFCore& core, int id);
// The regroup dialog: moves the objects (id, name) into a group of groupKind
// chosen by the user; true when anything changed.
bool RegroupObjects(TFCore& core, int groupKind, const std::vector<std::pair<int, QString>>& objects);

// ---- channels (objects/TFChannels, objects/TFChDets) ------------------------

// The channel choice for an external account; the result in PickedChannel.
// With automatic on, an account with no channels of its own takes the
// default channel without showing the window.
bool ChooseChannel(TFCore& core, const ObjRec& account, bool automatic);
// The channel details window in display mode.
void ShowChannelDetails(TFCore& core, int chnum);
// The channel details window in new mode (modal); the number of the channel
// shown last.
int NewChannel(TFCore& core, int accountId);

// ---- account search (objects/TFinpacc, objects/TFAcSrchR) -------------------

// The find-account dialog for a kind, proposing lookFor's name; true when the
// user chose (PickedObj holds it).
bool FindAccount(TFCore& core, int kind, const ObjRec& lookFor);
// Asks for a text and lists the objects of the kind whose name or notes hold it.
void AccountNameSearch(TFCore& core, int kind);

// ---- transaction entry (entry/TFtxnip3) -------------------------------------

// New from the last transaction entered; true when added, id its id.
bool NewTransaction(TFCore& core, int& id);
bool EditTransactionById(TFCore& core, int id);
bool EditRecord(TFCore& core, TxnRec& rec);
// A new transaction for an external account or pot; its id, or 0.
int NewForAccount(TFCore& core, const ObjRec& account);
bool NewFromRecord(TFCore& core, TxnRec& rec);
// The entry form opened with a sweep proposal; true when saved (the sweep's
// follow-up reconciliation has then been recorded).
bool NewSweepTransaction(TFCore& core, const SweepRequest& request, const QString& narrative);

// ---- transaction display (entry/Tfdptxn) ------------------------------------

void ShowTransaction(TFCore& core, int id);
void ShowTxnRecord(TFCore& core, const TxnRec& rec);

// ---- counterparty categories (entry/Tfcptypots) -----------------------------

// The categories used with a counterparty in a direction ('P' or 'S'); the
// chosen category id, or 0.
int ChooseCategory(TFCore& core, int cptyId, char direction, bool automatic);
void ShowForCounterparty(TFCore& core, int cptyId);

// ---- sweeps (entry/Sweeping) --------------------------------------------------

// "Sweep to "<pot>" - OK?": Yes keeps the sweep-to pot, No picks another,
// Cancel stops; true to go on.
bool ConfirmSweepToPot(TFCore& core);
// Sweeps one balance of an external account or pot (signed, at the date)
// through the entry form; true when the sweep was saved.
bool SweepBalance(TFCore& core, int accountId, Amount balance, const CalDate& date);
// Sweeps every pot below an internal group into the sweep-to pot, after its
// own question.
void SweepGroup(TFCore& core, int groupId);
// Deletes every transaction of the sweep with that date and narrative, after
// its own question; true when deleted.
bool DeleteSweep(TFCore& core, const CalDate& date, const QString& narrative);

// ---- postings view (views/TFPstgs) ------------------------------------------

void OpenPostings(TFCore& core, int accountId);
void OpenPostingsAtTxn(TFCore& core, int accountId, int txnId);
void OpenPostingsAtDate(TFCore& core, int accountId, const QString& dateText);

// ---- balances view (views/TFBals) -------------------------------------------

void OpenBalances(TFCore& core, int kind);
void OpenBalancesInGroup(TFCore& core, int groupId, int groupKind);

// ---- statement import (import/TFImport) -------------------------------------

// Asks for a statement file (OFX, QFX, QIF, CSV) and opens the import preview
// of it for the external account; the postings and balances views call it.
void ImportStatement(TFCore& core, int accountId);
// The column mapping of a CSV statement (import/TFCsvMap), proposed from
// mapping, with the first lines of text read under the choices; true on OK
// (mapping holds the choices, remembered for the account), false on Cancel.
bool ChooseCsvMapping(TFCore& core, int accountId, const QString& fileName, const QString& text, CsvMapping& mapping);

// ---- clipboard export (views/TFClpBd2) --------------------------------------

// The visible columns of a list view as tab-separated text in the clipboard
// window, with the title as the first line when not empty.
void ExportList(QTableView* view, const QString& title);
// Every cell of a model, row by row, as tab-separated text in the clipboard
// window, with the title as the first line when not empty.
void ExportGrid(const QAbstractItemModel* model, const QString& title);
// The lines ExportList would give, printed through the print dialog (nothing
// goes to the clipboard).
void PrintList(QTableView* view, const QString& title);

// ---- transaction search (search/TFSearch) -----------------------------------

void OpenSearch(TFCore& core);
void Journal(TFCore& core);
void ListInstances(TFCore& core, int masterId, int currentId);
void ListCounterpartyCategory(TFCore& core, int cptyId, int ctgyId);

// ---- which screens exist ------------------------------------------------------

// A caller enables a command only when the screen it opens is built.
enum class Screen {
    Picker,
    Editors,
    Channels,
    AccountSearch,
    Entry,
    Display,
    Sweeps,
    CptyCategories,
    Postings,
    Balances,
    Clipboard,
    Search,
    Repeaters,
    Reminders,
    Diary,
    Analysis
};
bool ScreenBuilt(Screen s);
