// The about box names the program file by its real full path and gives
// the file's modification time; it widens for a long path; OK closes it.
#include "forms/TFAbout1.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

class TFAbout1Test : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showsTheProgramFile() {
        QCoreApplication::setApplicationVersion(QStringLiteral("9.8.7"));
        // The program file (this test) gets a known modification time for the
        // while, put back afterwards.
        const QString path = QCoreApplication::applicationFilePath();
        QFile program(path);
        QVERIFY(program.open(QIODevice::ReadOnly));
        const QDateTime was = program.fileTime(QFileDevice::FileModificationTime);
        QVERIFY(program.setFileTime(QDateTime(QDate(2011, 8, 1), QTime(14, 5, 9)), QFileDevice::FileModificationTime));
        ShowAbout();
        program.setFileTime(was, QFileDevice::FileModificationTime);
        TFAbout1& about = FAbout1();
        QVERIFY(about.isVisible());
        QVERIFY(!about.isModal());
        QCOMPARE(about.PathLbl->text(), path);
        QCOMPARE(about.DateLbl->text(), QStringLiteral("2011-08-01 14:05:09"));
        QVERIFY(about.InfoLbl->text().startsWith(QStringLiteral("KOVRAL\n")));
        QVERIFY(about.InfoLbl->text().contains(QStringLiteral("9.8.7")));
        QVERIFY(about.width() >= about.PathLbl->sizeHint().width());
        QTest::mouseClick(about.OKBtn, Qt::LeftButton);
        QVERIFY(!about.isVisible());
    }

    void escapeCloses() {
        ShowAbout();
        QVERIFY(FAbout1().isVisible());
        QTest::keyClick(&FAbout1(), Qt::Key_Escape);
        QVERIFY(!FAbout1().isVisible());
    }
};

QTEST_MAIN(TFAbout1Test)
#include "TFAbout1Test.moc"
