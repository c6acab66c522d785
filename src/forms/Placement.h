// Where small windows appear, and how disabled boxes look.
//
// Questions and notices appear at the mouse pointer and are kept on the screen
// that holds the pointer.  A run of message boxes answered without moving the
// mouse stays in one place: the placement memory below remembers where the
// pointer was when the last box closed and where that box stood.
//
// Editable boxes are coloured by state: silver when disabled, the process-wide
// enabled colour (white, or the entry colour an editing screen sets) when
// enabled.
#pragma once

class QFrame;

#include <QColor>
#include <QFrame>
#include <QPoint>
#include <QSize>

class QDialog;
class QWidget;

// The colour of an enabled box; white until a screen sets its entry colour.
QColor EnabledColour();
void SetEnabledColour(const QColor& colour);
// Silver, the colour of a disabled box.
QColor DisabledColour();

// Enables or disables the control and gives its background the enabled colour
// or silver.
void SetEnabledColoured(QWidget* control, bool enabled);

// Moves the window so that its top-left corner is at pos, then up or left as
// far as needed to keep it on the screen holding pos.
void PlaceWithinScreen(QWidget* window, QPoint pos);
// PlaceWithinScreen at the mouse pointer.
void PlaceAtCursor(QWidget* window);
// Places the window at pos once more as soon as it is on screen and its frame
// is known.
void PlaceAgainWhenShown(QWidget* window, QPoint pos);
// PlaceAtCursor, then shows the window modelessly.
void ShowAtCursor(QWidget* window);
// PlaceAtCursor, then runs the dialog modally; returns QDialog::exec's result.
int ShowModalAtCursor(QDialog* dialog);
// Shows the window and, when it is minimised, restores it to normal size.
void ShowRestored(QWidget* window);
// A framed panel (object name "Panel") filled with colour, for the notice
// windows.
QFrame* ColouredPanel(QWidget* parent, const QColor& colour);

// The size a window will have when shown: its own size once it has been
// resized or shown, else its size hint.
QSize ShownSize(QWidget* window);

// Placement memory of the boxes shown at the pointer (InfoAtCursor,
// AskAtCursor).  MessageBoxPoint gives the point at which the next box goes:
// the pointer, or, when the pointer is exactly where it was as the previous
// box closed, the point at which that box was shown.  MessageBoxClosed records
// the pointer as a box closes.
QPoint MessageBoxPoint();
void MessageBoxClosed();
// Forgets the memory (tests start from a clean state).
void ResetMessageBoxMemory();

// A panel that drags its window: for the small dialogs that have no title bar.
class DragPanel : public QFrame {
public:
    explicit DragPanel(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_dragging = false;
    QPoint m_offset; // pointer position relative to the window's top-left
};
