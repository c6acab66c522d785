// The ledger core's per-run state, kept alive by the core holder.
#include "ledger/LedgerState.h"

#include "data/Core.h"

#include <memory>

LedgerState& Ledger(TFCore& core) {
    if (!core.ledgerState)
        core.ledgerState = std::make_shared<LedgerState>();
    return *static_cast<LedgerState*>(core.ledgerState.get());
}

void SetWriteNote(TFCore& core, const QString& text) {
    LedgerState& s = Ledger(core);
    s.writeNote = text;
    s.notePending = true;
}

NotFoundQuiet::NotFoundQuiet(TFCore& core) : m_state(Ledger(core)), m_was(m_state.reportNotFound) {
    m_state.reportNotFound = false;
}

NotFoundQuiet::~NotFoundQuiet() {
    m_state.reportNotFound = m_was;
}
