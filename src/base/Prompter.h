// The one seam through which the core speaks to the user.
//
// The core never opens a window: every message box, question, text input,
// date pick, two-option choice, status-panel text, busy cursor, notice and
// progress line goes through a Prompter that the caller passes in.  forms/
// implements it with real windows (WidgetPrompter); the tests use a scripted
// prompter that records every message and answers questions from a queue.
//
// Texts are given exactly as the user must read them; an implementation shows
// an "&" as an ampersand, never as a mnemonic.
#pragma once

#include "base/Dates.h"

#include <QString>

class Prompter {
public:
    virtual ~Prompter() = default;

    // A box with the text and one OK button, centred on the screen: the plain
    // way in which the ledger core reports.
    virtual void ShowMessage(const QString& text) = 0;
    // Information box with one OK button at the mouse pointer.
    virtual void InfoAtCursor(const QString& text) = 0;
    // InfoAtCursor("Program error : " + text): internal inconsistencies.
    void ProgramError(const QString& text);
    // Yes/No/Cancel at the mouse pointer: 'Y', 'N', 'C', or ' ' when the box
    // was closed otherwise.
    virtual char AskAtCursor(const QString& text) = 0;
    // AskAtCursor(text) == 'Y'.
    bool AskYesNo(const QString& text);
    // One-line text input with two prompt lines (the second may be empty);
    // OK stores the edited text and gives true, Cancel gives false and leaves
    // text unchanged.
    virtual bool InputString(const QString& prompt1, const QString& prompt2, QString& text) = 0;
    bool InputString(const QString& prompt, QString& text);
    // Two-option question: 1 or 2 for the options, 0 for Cancel.
    virtual int Choose(const QString& question, const QString& option1, const QString& option2) = 0;
    // The calendar for a date variable: an empty date starts at today; OK
    // stores the picked date and gives true.
    virtual bool PickDate(CalDate& date) = 0;

    // The control window's status panel (yellow while it shows text; empty
    // text clears it).
    virtual void ShowStatus(const QString& text) = 0;
    // The notice window (empty text hides it).
    virtual void Notice(const QString& text) = 0;
    // A notice that hides itself after a moment (empty hides at once).
    virtual void Flash(const QString& text) = 0;
    // A progress line that grows a dot at a time (empty hides it).
    virtual void Progress(const QString& text) = 0;
    // Lets the screen repaint and take input during a long run.
    virtual void ProcessEvents() {}

    // Busy periods nest: the first BusyOn shows the busy cursor, the BusyOff
    // that brings the count back to 0 restores it; BusyOff at 0 does nothing.
    void BusyOn();
    void BusyOff();
    int BusyDepth() const { return m_busy; }

protected:
    virtual void SetBusyCursor(bool on) = 0;

private:
    int m_busy = 0;
};

// Holds a busy period for a scope.
class BusyScope {
public:
    explicit BusyScope(Prompter& p) : m_p(p) { m_p.BusyOn(); }
    ~BusyScope() { m_p.BusyOff(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    Prompter& m_p;
};
