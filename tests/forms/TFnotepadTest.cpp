// The notepad: loads its file from the folder it is given, marks changes,
// saves on the timer and on closing, writes only when changed, and inserts
// the time stamp at the caret.
#include "forms/TFnotepad.h"
#include "base/Clock.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"
#include "support/Timers.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTimer>
#include <QtTest>

class TFnotepadTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void loadsFromItsFolderOnShow() {
        TempFolder folder;
        TempFolder elsewhere;
        // The current folder is not where the notepad looks.
        QDir::setCurrent(elsewhere.path());
        QVERIFY(WriteFile(elsewhere.file("npad.txt"), "wrong file\n"));
        QVERIFY(WriteFile(folder.file("npad.txt"), "first line\nsecond & last\n"));

        TFnotepad pad(folder.path());
        QCOMPARE(pad.FilePath(), folder.file("npad.txt"));
        QVERIFY(!pad.Loaded());
        pad.show();
        QCOMPARE(pad.Memo->toPlainText(), QStringLiteral("first line\nsecond & last"));
        QVERIFY(pad.Loaded());
        QVERIFY(!pad.Dirty());
        pad.close();
    }

    void savesAfterTheLastChange() {
        TempFolder folder;
        TFnotepad pad(folder.path());
        pad.show();
        QTest::keyClicks(pad.Memo, QStringLiteral("milk"));
        QVERIFY(pad.Dirty());
        QCOMPARE(pad.windowTitle(), QStringLiteral("NOTEPAD"));
        QVERIFY(pad.SaveTimer->isActive());
        QVERIFY(!QFile::exists(folder.file("npad.txt")));

        // Each change starts the wait again (here after it was stopped).
        pad.SaveTimer->stop();
        QTest::keyClicks(pad.Memo, QStringLiteral(" & eggs"));
        QVERIFY(pad.SaveTimer->isActive());
        QVERIFY(!QFile::exists(folder.file("npad.txt")));

        QVERIFY(FireTimer(pad.SaveTimer));
        QCOMPARE(pad.windowTitle(), QStringLiteral("Notepad"));
        QVERIFY(!pad.Dirty());
        QCOMPARE(ReadFile(folder.file("npad.txt")), QByteArray("milk & eggs\n"));
        pad.close();
    }

    void closingSavesAtOnce() {
        TempFolder folder;
        QVERIFY(WriteFile(folder.file("npad.txt"), "one\ntwo\n"));
        TFnotepad pad(folder.path());
        pad.show();
        pad.Memo->moveCursor(QTextCursor::End);
        QTest::keyClicks(pad.Memo, QStringLiteral("!"));
        pad.HideItem->trigger();
        QVERIFY(!pad.isVisible());
        QVERIFY(!pad.Dirty());
        QCOMPARE(pad.windowTitle(), QStringLiteral("Notepad"));
        QCOMPARE(ReadFile(folder.file("npad.txt")), QByteArray("one\ntwo!\n"));

        // Shown again, it reads what it wrote.
        pad.show();
        QCOMPARE(pad.Memo->toPlainText(), QStringLiteral("one\ntwo!"));
        pad.close();
    }

    void escapeClosesAndSaves() {
        TempFolder folder;
        TFnotepad pad(folder.path());
        pad.show();
        pad.activateWindow();
        if (!QTest::qWaitForWindowActive(&pad))
            QSKIP("window activation is not available on this platform");
        QTest::keyClicks(pad.Memo, QStringLiteral("note"));
        QTest::keyClick(pad.Memo, Qt::Key_Escape);
        QTRY_VERIFY(!pad.isVisible());
        QCOMPARE(ReadFile(folder.file("npad.txt")), QByteArray("note\n"));
    }

    void unchangedTextIsNotRewritten() {
        TempFolder folder;
        // No final line break: a rewrite would add one.
        QVERIFY(WriteFile(folder.file("npad.txt"), "kept as it is"));
        TFnotepad pad(folder.path());
        pad.show();
        pad.close();
        QCOMPARE(ReadFile(folder.file("npad.txt")), QByteArray("kept as it is"));
    }

    void waitingEditsSurviveAShow() {
        TempFolder folder;
        QVERIFY(WriteFile(folder.file("npad.txt"), "old\n"));
        TFnotepad pad(folder.path());
        pad.show();
        pad.Memo->selectAll();
        QTest::keyClicks(pad.Memo, QStringLiteral("new"));
        // Hidden without closing (no save), then shown again: the file must
        // not overwrite the edit.
        pad.hide();
        pad.show();
        QCOMPARE(pad.Memo->toPlainText(), QStringLiteral("new"));
        QVERIFY(pad.Dirty());
        pad.close();
        QCOMPARE(ReadFile(folder.file("npad.txt")), QByteArray("new\n"));
    }

    void nowInsertsTheStampAtTheCaret() {
        const FixedClock clock(QDateTime(QDate(2024, 2, 29), QTime(23, 59, 29)));
        TempFolder folder;
        TFnotepad pad(folder.path());
        pad.show();
        QTest::keyClicks(pad.Memo, QStringLiteral("ab"));
        pad.Memo->moveCursor(QTextCursor::PreviousCharacter);
        pad.NowItem->trigger();
        QCOMPARE(pad.Memo->toPlainText(), QStringLiteral("a2024-02-29  23:59 b"));
        QCOMPARE(pad.windowTitle(), QStringLiteral("NOTEPAD"));
        pad.close();
    }

    void destroyingSavesWaitingEdits() {
        TempFolder folder;
        {
            TFnotepad pad(folder.path());
            pad.show();
            QTest::keyClicks(pad.Memo, QStringLiteral("last words"));
            pad.hide();
        }
        QCOMPARE(ReadFile(folder.file("npad.txt")), QByteArray("last words\n"));
    }
};

QTEST_MAIN(TFnotepadTest)
#include "TFnotepadTest.moc"
