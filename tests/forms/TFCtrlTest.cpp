// The control window: caption, menu captions and their enabled state, the
// database details, the period line and the status panel's colour, the name
// box, seek by id (opening the object's editor) and the exit question.
#include "forms/TFCtrl.h"
#include "ModalDriver.h"
#include "data/Core.h"
#include "data/Tables.h"
#include "forms/FormPositions.h"
#include "forms/WidgetPrompter.h"
#include "ledger/Database.h"
#include "ledger/Objects.h"
#include "support/TestFiles.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

class TFCtrlTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    WidgetPrompter m_prompter;
    std::unique_ptr<TFCore> m_core;
    std::unique_ptr<TFCtrl> m_ctrl;

    QString folder() const { return m_dir.path() + QStringLiteral("/DATA/"); }

private Q_SLOTS:
    void init() {
        m_core = std::make_unique<TFCore>(m_prompter);
        m_core->settings().Today = MakeDate(2024, 6, 15);
        m_ctrl = std::make_unique<TFCtrl>(*m_core, m_prompter);
        m_core->setProgramFolder(m_dir.path() + QLatin1Char('/'));
        SetDataFolder(*m_core, folder());
        QCOMPARE(OpenDatabase(*m_core), OpenResult::Opened);
        m_ctrl->setEnabled(true);
        m_ctrl->show();
    }
    void cleanup() {
        CloseModals();
        m_ctrl.reset(); // the window unhooks itself; the database stays open
        CloseDatabase(*m_core);
        m_core.reset();
        QDir(folder()).removeRecursively();
    }

    void builtCommandsAreEnabled() {
        // Built commands are usable; screens still to come are present but disabled.
        QVERIFY(m_ctrl->SeekItem->isEnabled());
        QVERIFY(m_ctrl->RebalanceItem->isEnabled());
        QVERIFY(m_ctrl->SelectItem->isEnabled());
        QVERIFY(m_ctrl->NotepadItem->isEnabled());
        QVERIFY(m_ctrl->NewTxnItem->isEnabled());
        QVERIFY(m_ctrl->ExternalItem->isEnabled());
    }

    void detailsAndPeriodLine() {
        QCOMPARE(m_ctrl->LocationLbl->text(), folder());
        QCOMPARE(m_ctrl->VersionLbl->text(), QStringLiteral("18"));
        QCOMPARE(m_ctrl->StartDateLbl->text(), QStringLiteral("000-00-00"));
        QCOMPARE(m_ctrl->StartDateText->text(), QStringLiteral("No previous archives"));
        QCOMPARE(m_ctrl->EndDateText->text(), QStringLiteral("This database is current"));
        m_core->settings().BalFrom = MakeDate(2024, 1, 1);
        m_core->settings().BalAt = MakeDate(2024, 6, 30);
        m_ctrl->RefreshDetails();
        QCOMPARE(m_ctrl->PeriodLbl->text(), QStringLiteral("From 2024-01-01 to 2024-06-30"));
        m_core->settings().BalFrom = CalDate{};
        m_ctrl->RefreshDetails();
        QCOMPARE(m_ctrl->PeriodLbl->text(), QStringLiteral("From 0000-00-00 to 2024-06-30"));
    }

    void statusPanelFollowsRebalNeeded() {
        m_core->SetRebalNeeded(true);
        QCOMPARE(m_ctrl->StatusPanel->text(), QStringLiteral(" Rebalance needed"));
        QCOMPARE(m_ctrl->StatusPanel->palette().color(QPalette::Window), QColor(Qt::yellow));
        m_core->SetRebalNeeded(false);
        QCOMPARE(m_ctrl->StatusPanel->text(), QString());
        QVERIFY(m_ctrl->StatusPanel->palette().color(QPalette::Window) != QColor(Qt::yellow));
        // Core status texts show as written, in yellow.
        m_prompter.ShowStatus(QStringLiteral("Postings 12"));
        QCOMPARE(m_ctrl->StatusPanel->text(), QStringLiteral("Postings 12"));
        QCOMPARE(m_ctrl->StatusPanel->palette().color(QPalette::Window), QColor(Qt::yellow));
    }

    void nameEditStoresAtOnceAndCancelKeeps() {
        WhenModal([](QWidget* w) {
            auto* box = w->findChild<QLineEdit*>();
            QVERIFY(box);
            box->setText(QStringLiteral("Household & business"));
            qobject_cast<QDialog*>(w)->accept();
        });
        m_ctrl->EditNameClick();
        QCOMPARE(m_core->settings().DatabaseName, QStringLiteral("Household & business"));
        WhenModal([](QWidget* w) {
            w->findChild<QLineEdit*>()->setText(QStringLiteral("ignored"));
            qobject_cast<QDialog*>(w)->reject();
        });
        m_ctrl->EditNameClick();
        QCOMPARE(m_core->settings().DatabaseName, QStringLiteral("Household & business"));
        QCOMPARE(m_ctrl->NameBox->text(), QStringLiteral("Household & business"));
    }

    void escapeAsksBeforeClosing() {
        WhenModal([](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            QCOMPARE(box->text(), QStringLiteral("OK to exit program?"));
            BoxButton(w, QMessageBox::No)->click();
        });
        m_ctrl->EscapeClick();
        QVERIFY(m_ctrl->isVisible());
        QVERIFY(m_core->databaseDetails.open);
    }

    // A real id opens its editor (seekOpensTheEditorOfTheObjectsKind).
    void seekLooksUpOnlyRealIds() {
        // A message box shown by a seek is recorded with the input that led
        // to it; only the missing id may show one (the reader's message).
        QString typed;
        QStringList boxes;
        QTimer watch;
        watch.setInterval(5);
        connect(&watch, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                boxes << typed + QStringLiteral(": ") + box->text();
                box->done(QMessageBox::Ok);
            }
        });
        watch.start();
        for (const QString& text :
             {QStringLiteral("0"), QStringLiteral("-5"), QStringLiteral("abc"), QStringLiteral("999")}) {
            typed = text;
            WhenModal([text](QWidget* w) {
                auto* box = w->findChild<QLineEdit*>();
                QVERIFY(box);
                QTest::keyClicks(box, text);
                qobject_cast<QDialog*>(w)->accept();
            });
            m_ctrl->SeekAccountClick();
        }
        QCOMPARE(boxes, QStringList{QStringLiteral("999: obj not found 999")});
    }

    void seekOpensTheEditorOfTheObjectsKind() {
        ObjRec pot;
        InitObjRec(pot);
        pot.Type = 6;
        pot.Name = QStringLiteral("Holiday fund");
        pot.CloseDate = IntToCal(kNotClosed);
        QVERIFY(AddObj(*m_core, pot));
        QString caption, name;
        WhenModal([&](QWidget* w) {
            WhenModal([&](QWidget* editor) {
                caption = editor->windowTitle();
                name = editor->findChild<QLineEdit*>()->text();
                qobject_cast<QDialog*>(editor)->reject();
            });
            w->findChild<QLineEdit*>()->setText(QString::number(pot.Id));
            qobject_cast<QDialog*>(w)->accept();
        });
        m_ctrl->SeekAccountClick();
        QCOMPARE(caption, QStringLiteral("Internal Account ('Pot') details"));
        QCOMPARE(name, QStringLiteral("Holiday fund"));
    }

    // Without a database (the folder held by another copy of the program)
    // only Select is offered of the database's commands.
    void withoutADatabaseOnlySelectIsOffered() {
        QVERIFY(m_ctrl->EditBtn->isEnabled());
        CloseDatabase(*m_core);
        m_ctrl->RefreshDetails();
        QVERIFY(!m_ctrl->EditBtn->isEnabled());
        QVERIFY(!m_ctrl->ChangeBtn->isEnabled());
        QVERIFY(!m_ctrl->RebalanceItem->isEnabled());
        QVERIFY(!m_ctrl->HealthcheckItem->isEnabled());
        QVERIFY(m_ctrl->SelectItem->isEnabled());
    }

    // Positions follow the settings file's spelling of the names; a window
    // made later takes its saved position; one never shown keeps -1.
    void positionsOfLaterAndUnshownWindows() {
        QWidget later;
        later.setObjectName(QStringLiteral("FNotepad"));
        QWidget unshown;
        unshown.setObjectName(QStringLiteral("FRpr"));
        RegisterForm(&unshown);
        FormPosition saved{QStringLiteral("Fnotepad"), 40, 30, 200, 300};
        ApplyFormPositions({saved, FormPosition{QStringLiteral("FRpr")}});
        RegisterForm(&later);
        QCOMPARE(later.geometry(), QRect(30, 40, 300, 200));
        later.show();
        later.setGeometry(QRect(50, 60, 310, 210));
        FormPosition notepad, rpr;
        for (const FormPosition& p : CollectFormPositions()) {
            if (p.name == QStringLiteral("Fnotepad"))
                notepad = p;
            if (p.name == QStringLiteral("FRpr"))
                rpr = p;
        }
        QCOMPARE(notepad.left, 50);
        QCOMPARE(notepad.top, 60);
        QCOMPARE(notepad.width, 310);
        QCOMPARE(rpr.left, -1);
        QCOMPARE(rpr.width, -1);
    }

    // Closing the control window ends the program with every other window and
    // writes the settings.
    void closingTakesTheOtherWindowsAlongAndWritesTheSettings() {
        QWidget other;
        other.show();
        m_core->settings().DatabaseName = QStringLiteral("Closed");
        m_ctrl->close();
        QVERIFY(!other.isVisible());
        QVERIFY(!m_core->databaseDetails.open);
        const QString text = ReadText(folder() + QStringLiteral("KOVRALDB.INI"));
        QVERIFY(text.contains(QStringLiteral("DatabaseName=Closed")));
        QVERIFY(text.contains(QStringLiteral("[forms]")));
        QVERIFY(text.contains(QStringLiteral("GenTo=20240615")));
    }
};

QTEST_MAIN(TFCtrlTest)
#include "TFCtrlTest.moc"
