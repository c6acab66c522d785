// The folder window: it opens on the folder it is given, OK hands back the
// selected folder with a trailing "/", Cancel changes nothing.
#include "forms/Tfselfolder.h"
#include "ModalDriver.h"

#include <QDialog>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

class TfselfolderTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { CloseModals(); }

    void okGivesTheFolderWithTrailingSlash() {
        QTemporaryDir dir;
        QDir(dir.path()).mkdir(QStringLiteral("ledger"));
        const QString target = dir.path() + QStringLiteral("/ledger");
        QString path = target + QLatin1Char('/');
        WhenModal([target](QWidget* w) {
            auto* win = qobject_cast<Tfselfolder*>(w);
            QVERIFY(win);
            QCOMPARE(win->windowTitle(), QStringLiteral("Select folder"));
            QCOMPARE(win->SelectedFolder(), target);
            QCOMPARE(win->PathLabel->text(), target);
            win->accept();
        });
        QVERIFY(ChooseFolder(path));
        QCOMPARE(path, target + QLatin1Char('/'));
    }

    void cancelLeavesThePath() {
        QString path = QDir::tempPath() + QLatin1Char('/');
        const QString before = path;
        WhenModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
        QVERIFY(!ChooseFolder(path));
        QCOMPARE(path, before);
    }

    void relativePathIsRefusedWithoutAWindow() {
        QString path = QStringLiteral("DATA/");
        QVERIFY(!ChooseFolder(path));
        QCOMPARE(path, QStringLiteral("DATA/"));
    }
};

QTEST_MAIN(TfselfolderTest)
#include "TfselfolderTest.moc"
