// The tests' prompter: records every message, answers questions from a queue,
// and fails the running test when a question arrives with nothing queued or
// with another text than the one expected.
#pragma once

#include "base/Prompter.h"

#include <QString>
#include <QStringList>
#include <deque>

class ScriptedPrompter : public Prompter {
public:
    enum class Kind { Message, Info, Ask, Input, Choose, PickDate };
    struct Event {
        Kind kind;
        QString text;
    };

    ~ScriptedPrompter() override;

    // Queue answers, in the order the questions will come.  An empty expected
    // text accepts any question.
    void expectQuestion(const QString& text, char answer); // AskAtCursor / AskYesNo: 'Y', 'N', 'C', ' '
    void expectInput(const QString& prompt1, bool ok, const QString& reply);
    void expectChoice(const QString& question, int answer);
    void expectPickDate(bool ok, const CalDate& date = {});

    // Messages shown by ShowMessage and InfoAtCursor (ProgramError included),
    // in order.
    QStringList messages() const;
    const std::vector<Event>& events() const { return m_events; }
    // Every text shown on the status panel, the notice and progress lines.
    const QStringList& statusTexts() const { return m_status; }
    const QStringList& notices() const { return m_notices; }
    const QStringList& progressTexts() const { return m_progress; }
    QString lastStatus() const { return m_status.isEmpty() ? QString() : m_status.back(); }
    bool busyCursor() const { return m_busyCursor; }
    int processEventsCalls() const { return m_processEvents; }
    // Forgets what was recorded so far (the queue stays).
    void clearRecorded();
    // True when every queued answer has been used.
    bool allAnswered() const { return m_queue.empty(); }
    // Every mismatch reported so far (a Qt Test, which does not see the
    // GoogleTest failures, checks this is empty).
    const QStringList& mismatches() const { return m_mismatches; }

    void ShowMessage(const QString& text) override;
    void InfoAtCursor(const QString& text) override;
    char AskAtCursor(const QString& text) override;
    bool InputString(const QString& prompt1, const QString& prompt2, QString& text) override;
    int Choose(const QString& question, const QString& option1, const QString& option2) override;
    bool PickDate(CalDate& date) override;
    void ShowStatus(const QString& text) override;
    void Notice(const QString& text) override;
    void Flash(const QString& text) override;
    void Progress(const QString& text) override;
    void ProcessEvents() override { ++m_processEvents; }

protected:
    void SetBusyCursor(bool on) override { m_busyCursor = on; }

private:
    struct Answer {
        Kind kind;
        QString expected;
        char ask = 'N';
        bool ok = false;
        QString reply;
        int choice = 0;
        CalDate date;
    };
    Answer take(Kind kind, const QString& text);

    std::deque<Answer> m_queue;
    std::vector<Event> m_events;
    QStringList m_status, m_notices, m_progress, m_mismatches;
    void mismatch(const QString& what);
    bool m_busyCursor = false;
    int m_processEvents = 0;
};
