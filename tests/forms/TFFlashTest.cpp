// The flash notice: it hides itself after the flash duration, a progress line
// grows until an empty Progress hides it, the window widens but never
// narrows, and it stays on the screen at the pointer.
#include "forms/TFFlash.h"

#include <QCursor>
#include <QElapsedTimer>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QtTest>

class TFFlashTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void looks() {
        TFFlash flash;
        QVERIFY(flash.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(flash.windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(flash.Panel->palette().color(QPalette::Window), QColor(0, 255, 255));
        QVERIFY(flash.Panel->autoFillBackground());
        QVERIFY(flash.Label->font().bold());
    }

    void flashHidesItself() {
        TFFlash flash;
        QCursor::setPos(100, 120);
        QElapsedTimer clock;
        clock.start();
        flash.Flash(QStringLiteral("Sign & amount swapped"));
        QVERIFY(flash.isVisible());
        QCOMPARE(flash.Text(), QStringLiteral("Sign & amount swapped"));
        QCOMPARE(flash.state(), TFFlash::Flashing);
        QCOMPARE(flash.pos(), QPoint(100, 120));
        QTRY_VERIFY_WITH_TIMEOUT(!flash.isVisible(), 5000);
        QVERIFY2(clock.elapsed() >= 600, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(flash.state(), TFFlash::Idle);
        QVERIFY(!flash.Timer->isActive());

        // An empty text hides at once.
        flash.Flash(QStringLiteral("again"));
        QVERIFY(flash.isVisible());
        flash.Flash(QString());
        QVERIFY(!flash.isVisible());
        QCOMPARE(flash.state(), TFFlash::Idle);
    }

    void progressGrowsUntilHidden() {
        TFFlash flash;
        flash.Progress(QStringLiteral("Rebalancing"));
        QCOMPARE(flash.state(), TFFlash::Progressing);
        QTRY_COMPARE_WITH_TIMEOUT(flash.Text(), QStringLiteral("Rebalancing.."), 5000);
        // A progress line does not hide itself.
        QVERIFY(flash.isVisible());
        flash.Progress(QString());
        QVERIFY(!flash.isVisible());
        QCOMPARE(flash.state(), TFFlash::Idle);
        const QString last = flash.Text();
        QTest::qWait(700);
        QCOMPARE(flash.Text(), last);

        // A new Flash replaces a running progress line and stops its dots.
        flash.Progress(QStringLiteral("Opening"));
        flash.Flash(QStringLiteral("Done"));
        QCOMPARE(flash.state(), TFFlash::Flashing);
        QCOMPARE(flash.Timer->interval(), TFFlash::kFlashDuration);
        QTRY_VERIFY_WITH_TIMEOUT(!flash.isVisible(), 5000);
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
