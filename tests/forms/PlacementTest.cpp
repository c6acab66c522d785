// Placement at the pointer within the screen, restoring a minimised window,
// and the colours of enabled and disabled boxes.
#include "forms/Placement.h"

#include <QCursor>
#include <QDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QtTest>

class PlacementTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { SetEnabledColour(QColor(255, 255, 255)); }

    void enabledColours() {
        QLineEdit box;
        QCOMPARE(EnabledColour(), QColor(255, 255, 255));
        SetEnabledColoured(&box, false);
        QVERIFY(!box.isEnabled());
        // Disabled boxes are drawn from the Disabled group: that one must be silver.
        QCOMPARE(box.palette().color(QPalette::Disabled, QPalette::Base), QColor(192, 192, 192));
        SetEnabledColoured(&box, true);
        QVERIFY(box.isEnabled());
        QCOMPARE(box.palette().color(QPalette::Active, QPalette::Base), QColor(255, 255, 255));

        // A screen's entry colour is used from then on.
        SetEnabledColour(QColor(255, 255, 200));
        SetEnabledColoured(&box, true);
        QCOMPARE(box.palette().color(QPalette::Active, QPalette::Base), QColor(255, 255, 200));
        SetEnabledColoured(&box, false);
        QCOMPARE(box.palette().color(QPalette::Disabled, QPalette::Base), QColor(192, 192, 192));
    }

    void placeAtCursorKeepsOnScreen() {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QWidget w;
        w.resize(150, 100);
        QCursor::setPos(40, 30);
        PlaceAtCursor(&w);
        QCOMPARE(w.pos(), QPoint(40, 30));

        QCursor::setPos(screen.right() - 10, screen.bottom() - 20);
        ShowAtCursor(&w);
        QVERIFY(w.isVisible());
        QTRY_VERIFY(screen.contains(w.frameGeometry()));
        QCOMPARE(w.frameGeometry().right(), screen.right());
        QCOMPARE(w.frameGeometry().bottom(), screen.bottom());

        // Larger than the screen: the top-left corner stays on it.
        QWidget big;
        big.resize(screen.width() + 300, 50);
        QCursor::setPos(200, 10);
        PlaceAtCursor(&big);
        QCOMPARE(big.pos().x(), screen.left());
    }

    void modalAtCursor() {
        QDialog d;
        d.resize(120, 80);
        QCursor::setPos(70, 80);
        QPoint at;
        QTimer::singleShot(50, &d, [&] {
            at = d.pos();
            d.accept();
        });
        QCOMPARE(ShowModalAtCursor(&d), int(QDialog::Accepted));
        QCOMPARE(at, QPoint(70, 80));
    }

    void showRestoredUnminimises() {
        QWidget w;
        w.resize(100, 100);
        w.showMinimized();
        QVERIFY(w.isMinimized());
        ShowRestored(&w);
        QVERIFY(w.isVisible());
        QVERIFY(!w.isMinimized());
    }

    void dragPanelMovesItsWindow() {
        QWidget w;
        w.resize(200, 120);
        auto* panel = new DragPanel(&w);
        panel->setGeometry(0, 0, 200, 120);
        w.move(100, 100);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QPoint start = w.frameGeometry().topLeft();
        QTest::mousePress(panel, Qt::LeftButton, {}, QPoint(10, 10));
        QMouseEvent move(QEvent::MouseMove, QPointF(40, 30), panel->mapToGlobal(QPointF(40, 30)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(panel, &move);
        QTest::mouseRelease(panel, Qt::LeftButton, {}, QPoint(40, 30));
        QTRY_COMPARE(w.frameGeometry().topLeft(), start + QPoint(30, 20));
    }
};

QTEST_MAIN(PlacementTest)
#include "PlacementTest.moc"
