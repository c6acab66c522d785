// The about box names the program file by its lower-case full path and gives
// the file's modification time; it widens for a long path; OK closes it.
#include "forms/TFAbout1.h"
#include "base/Dates.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

class TFAbout1Test : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showsTheProgramFile() {
        QCoreApplication::setApplicationVersion(QStringLiteral("9.8.7"));
        ShowAbout();
        TFAbout1& about = FAbout1();
        QVERIFY(about.isVisible());
        QVERIFY(!about.isModal());
        const QString path = QCoreApplication::applicationFilePath();
        QCOMPARE(about.PathLbl->text(), path);
        QCOMPARE(about.DateLbl->text(), FormatDateTime(QFileInfo(path).lastModified()));
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
