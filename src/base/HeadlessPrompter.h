#pragma once

#include "base/Prompter.h"

#include <QStringList>

// A prompter for runs without a screen (the tools and the benchmarks): every
// message is recorded and, when echo is on, written to standard error;
// questions are answered No, choices Cancel, inputs and dates cancelled.
class HeadlessPrompter : public Prompter {
public:
    explicit HeadlessPrompter(bool echo = true) : m_echo(echo) {}

    // Messages and questions seen so far, in order (questions end with " ?-> N").
    const QStringList& messages() const { return m_messages; }
    void clear() { m_messages.clear(); }

    void ShowMessage(const QString& text) override;
    void InfoAtCursor(const QString& text) override;
    char AskAtCursor(const QString& text) override;
    bool InputString(const QString& prompt1, const QString& prompt2, QString& text) override;
    int Choose(const QString& question, const QString& option1, const QString& option2) override;
    bool PickDate(CalDate& date) override;
    void ShowStatus(const QString&) override {}
    void Notice(const QString&) override {}
    void Flash(const QString&) override {}
    void Progress(const QString&) override {}

protected:
    void SetBusyCursor(bool) override {}
    // Records (and echoes) one line.
    void record(const QString& text);

private:
    bool m_echo;
    QStringList m_messages;
};
