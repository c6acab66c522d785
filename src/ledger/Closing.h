// Deleting and closing objects.
//
// Objects are never deleted while anything refers to them, and once used they
// are retired by closing instead.  This module holds the rules with their
// exact questions and refusals: deleting an object; choosing the close date
// of an account or a group and closing it; the test, made for each account
// of a transaction being entered, that the account is open at the
// transaction's date (which may move its open or close date); and the test
// that an object fits the group it is placed in by kind and dates.  The
// screens that offer these commands call these functions and change nothing
// of their own.
//
// In messages an object's name is written as a double quote, the name, a
// double quote and a space (Quote); its kind name is KindName's, lower case
// in the "Delete " and "Closing " questions, capitalised elsewhere.
#pragma once

#include "base/Dates.h"

#include <QString>

class TFCore;
struct ObjRec;

// The Delete command.  Refuses, with one message and nothing changed, in
// this order:
//   - the object has postings (other than its anchor and diary postings):
//     "Cannot delete - <n> posting(s) found";
//   - it is a group with members: asks "Cannot delete - group contains <n>
//     item(s) - empty Group?"; No stops, Yes moves the members to the top
//     level and goes on;
//   - an external account or pot with a brought-forward balance: "Cannot
//     delete - opening balance is not zero";
//   - a counterparty that provides external accounts: "Cannot delete -
//     counterparty has <n> external account(s)";
//   - a repeater uses it, active or not: "Cannot delete -  Account is
//     referenced by Repeater #<id>".
// Then asks "Delete <kind> \"<name>\" ?" and on Yes deletes the object, its
// anchor posting and its movts row.  One store transaction: a refusal or a No
// after the members were moved leaves them where they were.  True when the
// object was deleted.  A missing id is reported by ReadObj; id < 1 does
// nothing.
bool DeleteObject(TFCore& core, int id);

// Whether and when a non-group object may close.  Refuses with "Cannot close
// - Rebalance needed" while RebalNeeded is on, and with "Cannot close -
// Account is in active Repeater #<id>".  A balance at the period end that is
// not zero asks "Account balance not zero, are you sure you want to close?".
// With a last-posting date asks (Yes/No/Cancel) "Closing <kind> \"<name>\" ...
// \nOK to set close date to last posting date <yyyy-mm-dd> ?": Yes takes that
// date, No opens the calendar on the current close date, Cancel gives false.
// Without one, the calendar.  A calendar OK without a date gives false.
// Writes nothing.
bool AskCloseDate(TFCore& core, const ObjRec& obj, CalDate& date);
// Reads the object, AskCloseDate, and stores the chosen close date.  A group
// goes to CloseGroup.  True when it was closed.
bool CloseAccount(TFCore& core, int id);

// Whether and when a group (kinds 7 to 10; false for others) may close.  A
// member still open: "Group contains open subgroup/account \"<name>\" - cannot
// close" and false.  Otherwise, when members have close dates, asks
// (Yes/No/Cancel) "Closing Group \"<name>\"  ... \nOK to use latest account
// close date in group <yyyy-mm-dd> ?": Yes takes the latest, No opens the
// calendar on it, Cancel gives false.  Without members: "Group is empty -
// enter close date" and the calendar on start (an empty start is today).
// Writes nothing.
bool AskGroupCloseDate(TFCore& core, const ObjRec& group, const CalDate& start, CalDate& date);
// Reads the group, AskGroupCloseDate (calendar starting today), and stores
// the chosen close date.  True when it was closed.
bool CloseGroup(TFCore& core, int id);

// Made for each account of a transaction being entered, dated date; obj is
// read afresh (and left holding what was stored).  True means the transaction
// may go on.
//   - Closed before date: asks "Account \"<name>\" is closed - transact anyway
//     ?"; No gives false; Yes then asks "Forward-date account close date to
//     transaction date?" and on Yes stores date as the close date.
//   - Else, date before the open date: when the open date is before today,
//     asks "Transaction pre-dates earliest for <Kind> \"<name>\" on <open
//     date> - OK ?" (No gives false); the open date then moves back to date.
//     An open date of today or later moves back without a question.
// A null date or an object that cannot be read passes unchanged; a failed
// write (reported) gives false.
bool CheckAccountOpenAt(TFCore& core, ObjRec& obj, const CalDate& date);

// Whether member may sit in group.  Code 3 "Acc/Grp invalid acctype combi"
// when the kinds do not match (the group must be the group kind of the
// member's family); code 1 when the member opened before the group (" Group
// <id> \"<name>\" opened too late for Account / Sub-Group \"<member>\" "),
// code 2 when it closes after the group ("closed too soon"); else code 0 and
// an empty text.  A member without an open date always fits the dates.
struct GroupFit {
    int code = 0;
    QString text;
};
GroupFit CheckGroupFit(const ObjRec& group, const ObjRec& member);
