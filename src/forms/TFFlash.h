// The flash notice: a one-line notice at the mouse pointer that goes away by
// itself (Flash), or a progress line that grows a dot every half second
// (Progress) until it is hidden.
//
// A borderless window that stays on top, holding one aqua panel with a bold
// label.  The window widens to fit a longer text and never narrows, so a run
// of notices does not jump about.  A new Flash or Progress replaces the
// current one.
#pragma once

#include <QColor>
#include <QTimer>
#include <QWidget>

class QFrame;
class QLabel;

class TFFlash : public QWidget {
    Q_OBJECT
public:
    enum State { Idle = 0, Progressing = 1, Flashing = 2 };
    static constexpr int kFlashDuration = 750; // ms
    static constexpr int kProgressTick = 500;  // ms
    static QColor NoticeColour() { return QColor(0, 255, 255); }

    explicit TFFlash(QWidget* parent = nullptr);

    // Shows text at the pointer and hides it after kFlashDuration; an empty
    // text hides the notice at once.
    void Flash(const QString& text);
    // Shows text at the pointer and appends "." every kProgressTick until
    // Progress("") hides it.
    void Progress(const QString& text);

    State state() const { return m_state; }
    QString Text() const;

    QFrame* Panel;
    QLabel* Label;
    QTimer* Timer;

private:
    void ShowText(const QString& text);
    void Stop();
    void WidenToLabel();
    void TimerTick();

    State m_state = Idle;
};

// The process-wide flash notice, created on first use.
TFFlash& FFlash();
