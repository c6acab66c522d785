// The flash notice: it hides itself after the flash duration, a progress line
// grows until an empty Progress hides it, the window widens but never
// narrows, and it stays on the screen at the pointer.
#include "forms/TFFlash.h"
#include "support/Timers.h"

#include <QCursor>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QtTest>

class TFFlashTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void flashHidesItselfAfterItsDuration() {
        TFFlash flash;
        QCursor::setPos(100, 120);
        flash.Flash(QStringLiteral("Sign & amount swapped"));
        QVERIFY(flash.isVisible());
        QCOMPARE(flash.Text(), QStringLiteral("Sign & amount swapped"));
        QCOMPARE(flash.pos(), QPoint(100, 120));
        QCOMPARE(flash.Timer->interval(), TFFlash::kFlashDuration);
        QVERIFY(FireTimer(flash.Timer));
        QVERIFY(!flash.isVisible());
        QCOMPARE(flash.state(), TFFlash::Idle);
        QVERIFY(!flash.Timer->isActive());

        // An empty text hides at once.
        flash.Flash(QStringLiteral("again"));
        QVERIFY(flash.isVisible());
        flash.Flash(QString());
        QVERIFY(!flash.isVisible());
        QVERIFY(!flash.Timer->isActive());
    }

    void progressGrowsUntilHidden() {
        TFFlash flash;
        flash.Progress(QStringLiteral("Rebalancing"));
        QCOMPARE(flash.Timer->interval(), TFFlash::kProgressTick);
        QVERIFY(FireTimer(flash.Timer));
        QVERIFY(FireTimer(flash.Timer));
        QCOMPARE(flash.Text(), QStringLiteral("Rebalancing.."));
        // A progress line does not hide itself.
        QVERIFY(flash.isVisible());
        flash.Progress(QString());
        QVERIFY(!flash.isVisible());
        QVERIFY(!flash.Timer->isActive());

        // A new Flash replaces a running progress line and stops its dots.
        flash.Progress(QStringLiteral("Opening"));
        flash.Flash(QStringLiteral("Done"));
        QCOMPARE(flash.Timer->interval(), TFFlash::kFlashDuration);
        QVERIFY(FireTimer(flash.Timer));
        QVERIFY(!flash.isVisible());
        QCOMPARE(flash.Text(), QStringLiteral("Done"));
    }

    void widensButNeverNarrows() {
        TFFlash flash;
        flash.Flash(QStringLiteral("x"));
        const int first = flash.width();
        const QString longText(200, QLatin1Char('W'));
        flash.Flash(longText);
        QVERIFY(flash.width() > first);
        QVERIFY(flash.width() >= flash.Label->x() + flash.Label->width() + 20);
        const int wide = flash.width();
        flash.Flash(QStringLiteral("short"));
        QCOMPARE(flash.width(), wide);
        flash.Flash(QString());
    }

    void staysOnScreenNearTheCorner() {
        TFFlash flash;
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCursor::setPos(screen.right() - 3, screen.bottom() - 3);
        flash.Flash(QStringLiteral("Near the corner of the screen"));
        QVERIFY(screen.contains(flash.frameGeometry().bottomRight()));
        QVERIFY(screen.contains(flash.frameGeometry().topLeft()));
        flash.Flash(QString());
    }
};

QTEST_MAIN(TFFlashTest)
#include "TFFlashTest.moc"
