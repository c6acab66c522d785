// Reminders, the repeater list and diary entries: what the three small
// windows of the Transactions menu read and write.
//
// Reminders are REMDR.DB rows: a text shown from its reminder date (Rmdate)
// on, listed in target-date (Tgdate) order; the repeater engine makes them
// for instances, the user makes them with New.  The repeater list reads
// rptr.DB with the names of its four accounts.  A diary entry is a type 'D'
// transaction with one posting for no account.
#pragma once

#include "base/Amount.h"
#include "base/Dates.h"

#include <QString>
#include <vector>

class TFCore;

struct ReminderRow {
    int Id = 0;
    int Txnid = 0; // the instance it is about; 0 for the user's own
    QString Text;
    DateInt Rmdate = 0; // shown from this day on
    DateInt Tgdate = 0; // target date
};

// The reminders in target-date order; currentOnly keeps those whose reminder
// date is on or before today (settings Today).  False (reported) on a store
// error.
bool ListReminders(TFCore& core, bool currentOnly, std::vector<ReminderRow>& rows);

// "New Reminder": asks "Enter target date (yyyy-mm-dd)" ("Invalid date" when
// it reads as no date), then "Enter description", and appends the reminder
// with the next id, Txnid 0, Rmdate today (so it is current at once) and
// Tgdate the target.  True when one was added.
bool NewReminder(TFCore& core);

// Appends one reminder of the user's (the write of NewReminder).
bool AddReminder(TFCore& core, const CalDate& target, const QString& text);

// "OK to delete?"; Yes deletes the reminder.  True when deleted.
bool DeleteReminderAsked(TFCore& core, int id);

// The start-up clean-up: deletes every listed reminder whose Txnid is above 0
// and names no transaction, in one store transaction.  Returns how many were
// deleted (0 on a store error, reported).
int RemoveDanglingReminders(TFCore& core, const std::vector<ReminderRow>& rows);

// One row of the repeater list with its shown columns.
struct RepeaterRow {
    int Id = 0;
    QString Freq;    // Rptinc and the Freq letter: "1M"
    QString TxnType; // short type name; empty for a blank type
    Amount Amt = 0;
    QString AmtText; // Amt formatted
    QString AccName1, AccName2, AccName3, AccName4;
    QString Active;    // "ACTIVE" or empty
    QString StartDate; // the stored DateInt as digits, as stored
    QString EndDate;
    int Gento = 0;
    QString Narrative;
};

// The repeaters in id order, only active ones when activeOnly.
bool ListRepeaters(TFCore& core, bool activeOnly, std::vector<RepeaterRow>& rows);

// The repeater list's Delete, with its questions: with instances, the choice
// "Delete Repeater : also delete <n> Instance(s)?" between "Retain Instances"
// (they become ordinary transactions) and "Delete Instances" (asked twice);
// then the repeater row goes.  All of it is one store transaction.  True when
// the repeater was deleted.
bool DeleteRepeaterAsked(TFCore& core, int id);

// The diary's Add: a type 'D' transaction dated date (Txndate and
// actualtxndate) with the description's first 40 characters as narrative,
// stored with its posting in one store transaction.  id receives its id.
bool AddDiaryEntry(TFCore& core, const CalDate& date, const QString& description, int& id);
