// The prompter with real windows: message boxes with their icons, buttons,
// answers and placement at the pointer (including the placement memory), the
// text input, the two-option question, the calendar, the notice window, the
// flash notice and the busy cursor.  Every text must show exactly as given,
// ampersands included.
#include "forms/WidgetPrompter.h"
#include "ModalDriver.h"
#include "forms/Placement.h"
#include "forms/TFCal.h"
#include "forms/TFFlash.h"
#include "forms/TFNotice.h"
#include "forms/TFchoice.h"
#include "forms/TFinpstr.h"

#include <QCursor>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

namespace {

const QString kAmpText = QStringLiteral("Delete \"Bread & Butter\" & all its postings?");

} // namespace

class WidgetPrompterTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { ResetMessageBoxMemory(); }
    void cleanup() { CloseModals(); }

    void showMessageIsPlainAndCentred() {
        WidgetPrompter p;
        QString shownText;
        int buttons = -1;
        bool plain = false, noIcon = false, centred = false;
        WhenModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            shownText = box->text();
            plain = box->textFormat() == Qt::PlainText;
            noIcon = box->icon() == QMessageBox::NoIcon;
            buttons = box->buttons().size();
            const QPoint screenCentre = box->screen()->geometry().center();
            centred = (box->frameGeometry().center() - screenCentre).manhattanLength() <= 4;
            box->button(QMessageBox::Ok)->click();
        });
        p.ShowMessage(kAmpText);
        QCOMPARE(shownText, kAmpText);
        QVERIFY(plain);
        QVERIFY(noIcon);
        QCOMPARE(buttons, 1);
        QVERIFY(centred);
    }

    void placementMemoryKeepsARunInOnePlace() {
        WidgetPrompter p;
        QPoint first, second, third;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QCursor::setPos(200, 150);
        WhenModal([&](QWidget* w) {
            first = w->pos();
            icon = qobject_cast<QMessageBox*>(w)->icon();
            // The user moves to the OK button and clicks it.
            QCursor::setPos(260, 200);
            BoxButton(w, QMessageBox::Ok)->click();
        });
        p.InfoAtCursor(QStringLiteral("one"));
        // The pointer has not moved since: the next box stands where the first did.
        WhenModal([&](QWidget* w) {
            second = w->pos();
            QCursor::setPos(300, 300);
            BoxButton(w, QMessageBox::Yes)->click();
        });
        QCOMPARE(p.AskAtCursor(QStringLiteral("two")), 'Y');
        // Moved after the box closed: the box follows the pointer.
        QCursor::setPos(50, 60);
        WhenModal([&](QWidget* w) {
            third = w->pos();
            BoxButton(w, QMessageBox::Ok)->click();
        });
        p.InfoAtCursor(QStringLiteral("three"));
        QCOMPARE(first, QPoint(200, 150));
        QCOMPARE(icon, QMessageBox::Information);
        QCOMPARE(second, QPoint(200, 150));
        QCOMPARE(third, QPoint(50, 60));
    }

    void boxesStayOnTheScreen() {
        WidgetPrompter p;
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCursor::setPos(screen.right() - 2, screen.bottom() - 2);
        QRect frame;
        WhenModal([&](QWidget* w) {
            frame = w->frameGeometry();
            BoxButton(w, QMessageBox::Cancel)->click();
        });
        QCOMPARE(p.AskAtCursor(QStringLiteral("A question near the corner of the screen?")), 'C');
        QVERIFY(frame.isValid());
        QVERIFY(screen.contains(frame));
    }

    void askAnswers() {
        WidgetPrompter p;
        const struct {
            QMessageBox::StandardButton button;
            char answer;
        } cases[] = {{QMessageBox::Yes, 'Y'}, {QMessageBox::No, 'N'}, {QMessageBox::Cancel, 'C'}};
        for (const auto& c : cases) {
            QString text;
            bool question = false;
            WhenModal([&](QWidget* w) {
                auto* box = qobject_cast<QMessageBox*>(w);
                text = box->text();
                question = box->icon() == QMessageBox::Question && box->buttons().size() == 3;
                box->button(c.button)->click();
            });
            QCOMPARE(p.AskAtCursor(kAmpText), c.answer);
            QCOMPARE(text, kAmpText);
            QVERIFY(question);
        }
        // Escape is Cancel; a box closed without any button gives a blank.
        WhenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
        QCOMPARE(p.AskAtCursor(QStringLiteral("Escape?")), 'C');
        WhenModal([](QWidget* w) { static_cast<QDialog*>(w)->done(QDialog::Rejected); });
        QCOMPARE(p.AskAtCursor(QStringLiteral("Gone?")), ' ');

        WhenModal([](QWidget* w) { BoxButton(w, QMessageBox::Yes)->click(); });
        QVERIFY(p.AskYesNo(QStringLiteral("Yes?")));
        WhenModal([](QWidget* w) { BoxButton(w, QMessageBox::Cancel)->click(); });
        QVERIFY(!p.AskYesNo(QStringLiteral("Cancel is not yes?")));
    }

    void inputString() {
        WidgetPrompter p;
        QCursor::setPos(120, 90);
        QString text = QStringLiteral("old name");
        QPoint at;
        WhenModal([&](QWidget* w) {
            auto* d = qobject_cast<TFinpstr*>(w);
            QVERIFY(d);
            QVERIFY(d->windowFlags() & Qt::FramelessWindowHint);
            at = d->pos();
            QCOMPARE(d->Prompt1Lbl->text(), QStringLiteral("Find & show"));
            QCOMPARE(d->Prompt1Lbl->textFormat(), Qt::PlainText);
            QCOMPARE(d->Prompt2Lbl->text(), QStringLiteral("part of the name"));
            QVERIFY(d->Prompt2Lbl->isVisible());
            QCOMPARE(d->TextBox->text(), QStringLiteral("old name"));
            QVERIFY(d->OKBtn->isDefault());
            d->TextBox->setText(QStringLiteral("Fish & Chips"));
            QTest::keyClick(d->TextBox, Qt::Key_Return); // the default button
        });
        QVERIFY(p.InputString(QStringLiteral("Find & show"), QStringLiteral("part of the name"), text));
        QCOMPARE(text, QStringLiteral("Fish & Chips"));
        QCOMPARE(at, QPoint(120, 90));

        // One prompt line; Cancel leaves the text alone.
        WhenModal([&](QWidget* w) {
            auto* d = static_cast<TFinpstr*>(w);
            QVERIFY(!d->Prompt2Lbl->isVisible());
            d->TextBox->setText(QStringLiteral("thrown away"));
            d->CancelBtn->click();
        });
        QVERIFY(!p.InputString(QStringLiteral("Name"), text));
        QCOMPARE(text, QStringLiteral("Fish & Chips"));
    }

    void chooseAnswers() {
        WidgetPrompter p;
        QCursor::setPos(140, 110);
        QPoint at;
        WhenModal([&](QWidget* w) {
            auto* d = qobject_cast<TFchoice*>(w);
            QVERIFY(d);
            at = d->pos();
            QCOMPARE(d->windowTitle(), QStringLiteral("Please choose"));
            QVERIFY(d->windowFlags() & Qt::FramelessWindowHint);
            QCOMPARE(d->QuestionLbl->text(), QStringLiteral("Move R&D pot?"));
            QCOMPARE(d->QuestionLbl->textFormat(), Qt::PlainText);
            // Shown with the ampersand, not as a mnemonic.
            QCOMPARE(d->Opt1Btn->text(), QStringLiteral("This && later"));
            QCOMPARE(d->Opt2Btn->text(), QStringLiteral("Only this"));
            d->Opt1Btn->click();
        });
        QCOMPARE(p.Choose(QStringLiteral("Move R&D pot?"), QStringLiteral("This & later"), QStringLiteral("Only this")),
                 1);
        QCOMPARE(at, QPoint(140, 110));
        WhenModal([](QWidget* w) { static_cast<TFchoice*>(w)->Opt2Btn->click(); });
        QCOMPARE(p.Choose(QStringLiteral("q"), QStringLiteral("a"), QStringLiteral("b")), 2);
        WhenModal([](QWidget* w) { static_cast<TFchoice*>(w)->CancelBtn->click(); });
        QCOMPARE(p.Choose(QStringLiteral("q"), QStringLiteral("a"), QStringLiteral("b")), 0);
        // After a 2, Escape must still give 0.
        WhenModal([](QWidget* w) { static_cast<TFchoice*>(w)->Opt2Btn->click(); });
        QCOMPARE(p.Choose(QStringLiteral("q"), QStringLiteral("a"), QStringLiteral("b")), 2);
        WhenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
        QCOMPARE(p.Choose(QStringLiteral("q"), QStringLiteral("a"), QStringLiteral("b")), 0);
    }

    void pickDateGoesThroughTheCalendar() {
        WidgetPrompter p;
        CalDate date = MakeDate(2021, 3, 5);
        WhenModal([](QWidget* w) {
            auto* cal = qobject_cast<TFCal*>(w);
            QVERIFY(cal);
            cal->NextMonthBtn->click();
            cal->OKBtn->click();
        });
        QVERIFY(p.PickDate(date));
        QCOMPARE(CalToDateStr(date), QStringLiteral("2021-04-05"));
    }

    void noticeWindow() {
        WidgetPrompter p;
        p.Notice(QStringLiteral("Saving settings & positions"));
        TFNotice& n = FNotice();
        QVERIFY(n.isVisible());
        QCOMPARE(n.Text(), QStringLiteral("Saving settings & positions"));
        QVERIFY(!n.isModal());
        p.Notice(QString());
        QVERIFY(!n.isVisible());
    }

    void flashAndProgress() {
        WidgetPrompter p;
        p.Progress(QStringLiteral("Working"));
        QCOMPARE(FFlash().state(), TFFlash::Progressing);
        p.Flash(QStringLiteral("Sign changed"));
        QCOMPARE(FFlash().state(), TFFlash::Flashing);
        p.Flash(QString());
    }

    void busyCursorNests() {
        WidgetPrompter p;
        QVERIFY(!QGuiApplication::overrideCursor());
        p.BusyOn();
        QVERIFY(QGuiApplication::overrideCursor());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        p.BusyOn();
        p.BusyOff();
        QVERIFY(QGuiApplication::overrideCursor());
        p.BusyOff();
        QVERIFY(!QGuiApplication::overrideCursor());
        p.BusyOff(); // at 0: nothing, and no cursor restored that someone else set
        QVERIFY(!QGuiApplication::overrideCursor());
        {
            BusyScope busy(p);
            QVERIFY(QGuiApplication::overrideCursor());
        }
        QVERIFY(!QGuiApplication::overrideCursor());
    }
};

QTEST_MAIN(WidgetPrompterTest)
#include "WidgetPrompterTest.moc"
