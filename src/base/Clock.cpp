#include "base/Clock.h"

namespace {
QDateTime g_fixed;
} // namespace

QDateTime Now() {
    return g_fixed.isValid() ? g_fixed : QDateTime::currentDateTime();
}

void SetClock(const QDateTime& at) {
    g_fixed = at;
}

void AdvanceClock(qint64 ms) {
    if (g_fixed.isValid())
        g_fixed = g_fixed.addMSecs(ms);
}
