// Window timers in tests: instead of waiting for a timer, a test checks it is
// running with the interval it should have and fires it at once.
#pragma once

#include <QMetaObject>
#include <QTimer>

// Fires a running timer now, as if its interval had passed (a single-shot
// timer stops first, as it would); false when the timer was not running.
inline bool FireTimer(QTimer* timer) {
    if (!timer->isActive())
        return false;
    if (timer->isSingleShot())
        timer->stop();
    return QMetaObject::invokeMethod(timer, "timeout");
}
