#include "base/HeadlessPrompter.h"

#include <cstdio>

void HeadlessPrompter::record(const QString& text) {
    m_messages << text;
    if (m_echo)
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

void HeadlessPrompter::ShowMessage(const QString& text) {
    record(text);
}

void HeadlessPrompter::InfoAtCursor(const QString& text) {
    record(text);
}

char HeadlessPrompter::AskAtCursor(const QString& text) {
    record(text + QStringLiteral(" ?-> N"));
    return 'N';
}

bool HeadlessPrompter::InputString(const QString& prompt1, const QString& prompt2, QString&) {
    record(prompt1 + QLatin1Char(' ') + prompt2 + QStringLiteral(" ?-> cancelled"));
    return false;
}

int HeadlessPrompter::Choose(const QString& question, const QString&, const QString&) {
    record(question + QStringLiteral(" ?-> cancelled"));
    return 0;
}

bool HeadlessPrompter::PickDate(CalDate&) {
    record(QStringLiteral("date ?-> cancelled"));
    return false;
}

