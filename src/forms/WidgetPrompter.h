// The prompter with real windows: how the core's messages, questions and
// notices reach the user on screen.
//
// ShowMessage is a plain box centred on the screen; InfoAtCursor and
// AskAtCursor appear at the mouse pointer, and a run of them answered without
// moving the mouse stays in one place.  Text input, the two-option question,
// the calendar, the notice window and the flash notice are the process-wide
// small windows.  Every text shows exactly as given: "&" is an ampersand,
// never a mnemonic.  The status panel belongs to the control window, which
// plugs itself in through statusSink.
#pragma once

#include "base/Prompter.h"

#include <QString>
#include <functional>

class WidgetPrompter : public Prompter {
public:
    // Set by the control window: shows a text on its status panel (empty
    // clears it).  Without it, status texts go nowhere.
    std::function<void(const QString&)> statusSink;

    void ShowMessage(const QString& text) override;
    void InfoAtCursor(const QString& text) override;
    char AskAtCursor(const QString& text) override;
    bool InputString(const QString& prompt1, const QString& prompt2, QString& text) override;
    using Prompter::InputString;
    int Choose(const QString& question, const QString& option1, const QString& option2) override;
    bool PickDate(CalDate& date) override;
    void ShowStatus(const QString& text) override;
    void Notice(const QString& text) override;
    void Flash(const QString& text) override;
    void Progress(const QString& text) override;
    void ProcessEvents() override;

protected:
    void SetBusyCursor(bool on) override;
};
