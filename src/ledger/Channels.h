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
