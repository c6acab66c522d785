// What the transaction display shows for one transaction or repeater master:
// every text of the window, worked out from the record and the objects it
// names, so that the figures and labels are tested without a screen.
//
// The four accounts go in display rows 1 to 4: Accid1 in row 1, Accid2 in
// row 2; for a transfer (C) Accid3 in row 3 and Accid4 in row 4, for every
// other type the other way round (so a payment shows its category in row 3
// and its pot in row 4).  Row labels come by type; a type without labels of
// its own keeps the previous labels of rows 1, 2 and 4 and empties row 3.
#pragma once

#include "ledger/Transactions.h"

#include <QString>
#include <array>

class TFCore;

struct TxnDisplay {
    QString caption;   // "Transaction details" / "Repeater Master details"
    QString idCaption; // "Txn id " / "Txn / Instance id "
    QString idText;    // "123" or "123 / 45-6"
    QString txnDate;   // "2024-06-03  Mon"
    QString pstgDate;  // only when Date2 differs from Txndate
    QString actualDate;
    QString typeName;
    QString amount; // "1,234.56", followed by "   cancelled" when cancelled
    QString narrative;
    QString channel; // channel name immediately followed by the ref
    std::array<QString, 4> rowLabel;
    std::array<int, 4> rowId{};
    std::array<QString, 4> rowName; // empty for an id of 0 or a missing object
    bool editEnabled = false;
    bool repeatEnabled = false;
    bool instancesEnabled = false;
    // The repeat group, shown when the repeater role is not 0.
    bool repeatVisible = false;
    QString rptCaption; // "Repeat - Active " / "Repeat - Inactive "
    QString rptRule;    // "Every 2 weeks"
    QString rptFrom;
    QString rptTo;
    QString rptCount;
    QString masterId;  // when Masterid > 0
    QString generated; // "<Gento>  <date of that instance>"
    QString reminder;  // "3 days before" / "none"
    QString created;   // "Created <ts>  Edited <ts>", each part when stamped
};

// The labels of rows 1 to 4 for a type; previous holds what the rows showed.
std::array<QString, 4> RowLabels(char type, const std::array<QString, 4>& previous);
// "Every " [+ inc + " "] + unit [+ "s"]; unit by Freq, "?" for any other.
QString RepeatRule(char freq, int rptinc);
// The display of txn.  Reads the four accounts by id (a missing one is
// reported by ReadObj and shows no name).
TxnDisplay DescribeTxn(TFCore& core, const TxnRec& txn, const std::array<QString, 4>& previousLabels);
