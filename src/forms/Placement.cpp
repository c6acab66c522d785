// Placement at the pointer, the placement memory of the message boxes, the
// coloured enabling of boxes and the dragging panel.
#include "forms/Placement.h"

#include <QFrame>
#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>

namespace {

QColor g_enabledColour(255, 255, 255);

struct MessageMemory {
    bool have = false;
    QPoint closedPointer; // where the pointer was as the last box closed
    QPoint shownAt;       // where that box was placed
};
MessageMemory g_memory;

QRect ScreenRectAt(QPoint pos) {
    QScreen* screen = QGuiApplication::screenAt(pos);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 800, 600);
}

} // namespace

QColor EnabledColour() {
    return g_enabledColour;
}

void SetEnabledColour(const QColor& colour) {
    g_enabledColour = colour;
}

QColor DisabledColour() {
    return QColor(192, 192, 192);
}

void SetEnabledColoured(QWidget* control, bool enabled) {
    if (!control)
        return;
    control->setEnabled(enabled);
    const QColor colour = enabled ? g_enabledColour : DisabledColour();
    QPalette pal = control->palette();
    // Every colour group: a disabled box is drawn from the Disabled group.
    pal.setColor(QPalette::Base, colour);
    if (control->autoFillBackground())
        pal.setColor(QPalette::Window, colour);
    control->setPalette(pal);
}

QSize ShownSize(QWidget* window) {
    if (window->isVisible() || window->testAttribute(Qt::WA_Resized))
        return window->frameGeometry().size().expandedTo(window->size());
    window->ensurePolished();
    return window->sizeHint().expandedTo(window->minimumSize());
}

void PlaceWithinScreen(QWidget* window, QPoint pos) {
    if (!window)
        return;
    const QRect screen = ScreenRectAt(pos);
    const QSize size = ShownSize(window);
    int left = std::min(pos.x(), screen.right() + 1 - size.width());
    int top = std::min(pos.y(), screen.bottom() + 1 - size.height());
    // A window larger than the screen keeps its top-left corner on it.
    left = std::max(left, screen.left());
    top = std::max(top, screen.top());
    window->move(left, top);
}

void PlaceAtCursor(QWidget* window) {
    PlaceWithinScreen(window, QCursor::pos());
}

void PlaceAgainWhenShown(QWidget* window, QPoint pos) {
    // Before a window is first shown its frame (title bar, borders) is not
    // known, so a window placed near the screen's edge may stick out by the
    // frame's width: place it once more when it is on screen.
    QTimer::singleShot(0, window, [window, pos] {
        if (window->isVisible())
            PlaceWithinScreen(window, pos);
    });
}

void ShowAtCursor(QWidget* window) {
    const QPoint pos = QCursor::pos();
    PlaceWithinScreen(window, pos);
    window->show();
    PlaceWithinScreen(window, pos);
    PlaceAgainWhenShown(window, pos);
}

int ShowModalAtCursor(QDialog* dialog) {
    const QPoint pos = QCursor::pos();
    PlaceWithinScreen(dialog, pos);
    PlaceAgainWhenShown(dialog, pos);
    return dialog->exec();
}

void ShowRestored(QWidget* window) {
    if (window->isMinimized())
        window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->show();
    window->raise();
    window->activateWindow();
}

QPoint MessageBoxPoint() {
    QPoint pos = QCursor::pos();
    if (g_memory.have && pos == g_memory.closedPointer)
        pos = g_memory.shownAt;
    g_memory.shownAt = pos;
    return pos;
}

void MessageBoxClosed() {
    g_memory.have = true;
    g_memory.closedPointer = QCursor::pos();
}

void ResetMessageBoxMemory() {
    g_memory = MessageMemory();
}

DragPanel::DragPanel(QWidget* parent) : QFrame(parent) {}

void DragPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_offset = event->globalPosition().toPoint() - window()->frameGeometry().topLeft();
        event->accept();
        return;
    }
    QFrame::mousePressEvent(event);
}

void DragPanel::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        window()->move(event->globalPosition().toPoint() - m_offset);
        event->accept();
        return;
    }
    QFrame::mouseMoveEvent(event);
}

void DragPanel::mouseReleaseEvent(QMouseEvent* event) {
    m_dragging = false;
    QFrame::mouseReleaseEvent(event);
}

QFrame* ColouredPanel(QWidget* parent, const QColor& colour) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(QStringLiteral("Panel"));
    panel->setFrameShape(QFrame::Box);
    panel->setAutoFillBackground(true);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, colour);
    panel->setPalette(pal);
    return panel;
}
