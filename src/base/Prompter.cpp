#include "base/Prompter.h"

void Prompter::ProgramError(const QString& text) { InfoAtCursor(QStringLiteral("Program error : ") + text); }

bool Prompter::AskYesNo(const QString& text) { return AskAtCursor(text) == 'Y'; }

bool Prompter::InputString(const QString& prompt, QString& text) { return InputString(prompt, QString(), text); }

void Prompter::BusyOn() {
    if (m_busy++ == 0)
        SetBusyCursor(true);
}

void Prompter::BusyOff() {
    if (m_busy == 0)
        return;
    if (--m_busy == 0)
        SetBusyCursor(false);
}
