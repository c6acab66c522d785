// The shared results of the screens, kept in the ledger state.
#include "forms/Screens.h"

#include "ledger/LedgerState.h"

ObjRec& PickedObj(TFCore& core) {
    return Ledger(core).pickedObj;
}
ChannelRec& PickedChannel(TFCore& core) {
    return Ledger(core).pickedChannel;
}
