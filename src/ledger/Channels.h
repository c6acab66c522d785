// Payment channels: named ways of moving money through one external account
// (a cheque book, a debit card, a standing order of the same bank account).
// Each row of channel.db belongs to one external account; a transaction
// records the channel of its first account in chnum, 0 meaning the account's
// default channel.
#pragma once

#include <QString>

struct ChannelRec {
    int Chnum = 0;  // 0 = the default channel / none chosen
    QString ChName; // at most 20 characters stored
    int AccId = 0;  // the external account it belongs to
};

#include <vector>

class TFCore;
struct IdTextRow;

// The whole channel.db row, as the channel details window shows and edits it.
struct ChannelRow {
    int Chnum = 0; // 0 = not stored yet
    int AccId = 0;
    QString ChName;
    QString ChNote;
    int ChSts = 0; // 0 "Open", 1 "Closed"; stored and shown only
};

// Chnum 0, empty name, AccId 0.
void ClearChannel(ChannelRec& rec);
// Fills rec from the channel.db row chnum; false (rec untouched) when there
// is no such row.
bool ReadChannel(TFCore& core, int chnum, ChannelRec& rec);
// The same for the whole row.
bool ReadChannelRow(TFCore& core, int chnum, ChannelRow& row);
// Replaces list with the channels of accountId in table (Chnum) order, each
// carrying its Chnum; returns how many.
int ListChannels(TFCore& core, int accountId, std::vector<IdTextRow>& list);
// ListChannels followed by "<default channel>" carrying 0.  A form shows the
// first entry selected.
void ListChannelsWithDefault(TFCore& core, int accountId, std::vector<IdTextRow>& list);
// Stores row: a row with Chnum 0 is appended and takes the next number (1
// upward), otherwise the stored row Chnum is replaced (false, nothing written,
// when it is gone).  ChName keeps 20 characters.  One store transaction.
bool WriteChannel(TFCore& core, ChannelRow& row);
// Asks "Delete channel?"; on Yes refuses with "Channel has transaction(s) -
// cannot delete" while a transaction's chnum names the channel, else deletes
// the row.  True when deleted.  Repeaters are not transactions: a channel only
// a repeater uses may go.
bool DeleteChannel(TFCore& core, int chnum);
