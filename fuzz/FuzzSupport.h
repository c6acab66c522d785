// What the fuzz targets share: a prompter that answers every question No and
// shows nothing, a scratch folder on a memory file system, and a check that
// stops the run with a readable reason when a property does not hold.
#pragma once

#include "base/Prompter.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

class QuietPrompter : public Prompter {
public:
    int messages = 0;
    void ShowMessage(const QString&) override { ++messages; }
    void InfoAtCursor(const QString&) override { ++messages; }
    char AskAtCursor(const QString&) override { return 'N'; }
    bool InputString(const QString&, const QString&, QString&) override { return false; }
    int Choose(const QString&, const QString&, const QString&) override { return 0; }
    bool PickDate(CalDate&) override { return false; }
    void ShowStatus(const QString&) override {}
    void Notice(const QString&) override {}
    void Flash(const QString&) override {}
    void Progress(const QString&) override {}

protected:
    void SetBusyCursor(bool) override {}
};

// A property of the code under test failed: print it and abort, which
// libFuzzer records as a crash with the input that caused it.
[[noreturn]] inline void FuzzFail(const char* what, const QString& detail = QString()) {
    std::fprintf(stderr, "property failed: %s %s\n", what, detail.toUtf8().constData());
    std::abort();
}
#define FUZZ_CHECK(cond, detail)                                                                                       \
    do {                                                                                                               \
        if (!(cond))                                                                                                   \
            FuzzFail(#cond, detail);                                                                                   \
    } while (0)

// A folder of this process on /dev/shm (or /tmp when there is none), ending in "/".
inline QString ScratchFolder(const char* name) {
    const QString base =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/") : QStringLiteral("/tmp/");
    const QString path = base + QStringLiteral("kovral-fuzz-%1-%2/").arg(QString::fromLatin1(name)).arg(getpid());
    QDir().mkpath(path);
    return path;
}
