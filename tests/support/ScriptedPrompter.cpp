#include "support/ScriptedPrompter.h"

#include <gtest/gtest.h>

namespace {
const char* kindName(ScriptedPrompter::Kind k) {
    static const char* const names[] = {"message", "info", "question", "text input", "choice", "date pick"};
    return names[int(k)];
}
} // namespace

ScriptedPrompter::~ScriptedPrompter() {
    for (const Answer& a : m_queue)
        ADD_FAILURE() << "queued " << kindName(a.kind) << " never asked: " << a.expected.toStdString();
}

void ScriptedPrompter::expectQuestion(const QString& text, char answer) {
    m_queue.push_back({.kind = Kind::Ask, .expected = text, .ask = answer});
}

void ScriptedPrompter::expectInput(const QString& prompt1, bool ok, const QString& reply) {
    m_queue.push_back({.kind = Kind::Input, .expected = prompt1, .ok = ok, .reply = reply});
}

void ScriptedPrompter::expectChoice(const QString& question, int answer) {
    m_queue.push_back({.kind = Kind::Choose, .expected = question, .choice = answer});
}

void ScriptedPrompter::expectPickDate(bool ok, const CalDate& date) {
    m_queue.push_back({.kind = Kind::PickDate, .ok = ok, .date = date});
}

void ScriptedPrompter::mismatch(const QString& what) {
    m_mismatches << what;
    ADD_FAILURE() << what.toStdString();
}

ScriptedPrompter::Answer ScriptedPrompter::take(Kind kind, const QString& text) {
    m_events.push_back({kind, text});
    if (m_queue.empty()) {
        mismatch(QStringLiteral("unexpected %1: %2").arg(QLatin1String(kindName(kind)), text));
        return {.kind = kind, .ask = ' '};
    }
    Answer a = m_queue.front();
    m_queue.pop_front();
    if (a.kind != kind)
        mismatch(QStringLiteral("expected a %1 (%2) but got a %3: %4")
                     .arg(QLatin1String(kindName(a.kind)), a.expected, QLatin1String(kindName(kind)), text));
    else if (!a.expected.isEmpty() && a.expected != text)
        mismatch(
            QStringLiteral("expected %1 \"%2\" but got \"%3\"").arg(QLatin1String(kindName(kind)), a.expected, text));
    return a;
}

QStringList ScriptedPrompter::messages() const {
    QStringList out;
    for (const Event& e : m_events)
        if (e.kind == Kind::Message || e.kind == Kind::Info)
            out << e.text;
    return out;
}

void ScriptedPrompter::clearRecorded() {
    m_events.clear();
    m_status.clear();
    m_notices.clear();
    m_progress.clear();
}

char ScriptedPrompter::AskAtCursor(const QString& text) {
    return take(Kind::Ask, text).ask;
}

bool ScriptedPrompter::InputString(const QString& prompt1, const QString& prompt2, QString& text) {
    Answer a = take(Kind::Input, prompt1);
    if (a.ok)
        text = a.reply;
    return a.ok;
}

int ScriptedPrompter::Choose(const QString& question, const QString&, const QString&) {
    return take(Kind::Choose, question).choice;
}

bool ScriptedPrompter::PickDate(CalDate& date) {
    Answer a = take(Kind::PickDate, QStringLiteral("calendar"));
    if (a.ok)
        date = a.date;
    return a.ok;
}

void ScriptedPrompter::ShowMessage(const QString& text) {
    m_events.push_back({Kind::Message, text});
}

void ScriptedPrompter::InfoAtCursor(const QString& text) {
    m_events.push_back({Kind::Info, text});
}

void ScriptedPrompter::ShowStatus(const QString& text) {
    m_status << text;
}
void ScriptedPrompter::Notice(const QString& text) {
    m_notices << text;
}
void ScriptedPrompter::Flash(const QString& text) {
    m_notices << text;
}
void ScriptedPrompter::Progress(const QString& text) {
    m_progress << text;
}
