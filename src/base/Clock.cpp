#include "base/Clock.h"

namespace {
QDateTime g_fixed;
QDateTime g_lastMarker;
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

QDateTime NewRunMarker() {
    QDateTime now = Now();
    if (g_lastMarker.isValid() && now <= g_lastMarker)
        now = g_lastMarker.addMSecs(1);
    g_lastMarker = now;
    return now;
}
