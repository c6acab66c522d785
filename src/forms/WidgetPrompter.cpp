// The prompter with real windows.
#include "forms/WidgetPrompter.h"

#include "forms/Placement.h"
#include "forms/TFCal.h"
#include "forms/TFFlash.h"
#include "forms/TFNotice.h"
#include "forms/TFchoice.h"
#include "forms/TFinpstr.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

namespace {

// A message box that places itself once it knows its size: at a point (kept
// on the screen) or centred on the screen that holds the pointer.
class PlacedBox : public QMessageBox {
public:
    PlacedBox(Icon icon, const QString& title, const QString& text, StandardButtons buttons)
        : QMessageBox(icon, title, text, buttons) {
        setTextFormat(Qt::PlainText);
    }
    bool place = false;
    QPoint at;

protected:
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event); // settles the box's size
        if (place) {
            PlaceWithinScreen(this, at);
            PlaceAgainWhenShown(this, at);
            return;
        }
        QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (screen)
            move(screen->geometry().center() - QPoint(width() / 2, height() / 2));
    }
};

} // namespace

void WidgetPrompter::ShowMessage(const QString& text) {
    PlacedBox box(QMessageBox::NoIcon, QStringLiteral("KOVRAL"), text, QMessageBox::Ok);
    box.exec();
}

void WidgetPrompter::InfoAtCursor(const QString& text) {
    PlacedBox box(QMessageBox::Information, QStringLiteral("Information"), text, QMessageBox::Ok);
    box.place = true;
    box.at = MessageBoxPoint();
    box.exec();
    MessageBoxClosed();
}

char WidgetPrompter::AskAtCursor(const QString& text) {
    PlacedBox box(QMessageBox::Question, QStringLiteral("Confirm"), text,
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    box.place = true;
    box.at = MessageBoxPoint();
    box.exec();
    MessageBoxClosed();
    const QAbstractButton* clicked = box.clickedButton();
    if (!clicked)
        return ' ';
    switch (box.standardButton(const_cast<QAbstractButton*>(clicked))) {
    case QMessageBox::Yes:
        return 'Y';
    case QMessageBox::No:
        return 'N';
    case QMessageBox::Cancel:
        return 'C';
    default:
        return ' ';
    }
}

bool WidgetPrompter::InputString(const QString& prompt1, const QString& prompt2, QString& text) {
    return Finpstr().Execute(prompt1, prompt2, text);
}

int WidgetPrompter::Choose(const QString& question, const QString& option1, const QString& option2) {
    return Fchoice().Execute(question, option1, option2);
}

bool WidgetPrompter::PickDate(CalDate& date) {
    return ::PickDate(date);
}

void WidgetPrompter::ShowStatus(const QString& text) {
    if (statusSink)
        statusSink(text);
}

void WidgetPrompter::Notice(const QString& text) {
    FNotice().ShowNotice(text);
}

void WidgetPrompter::Flash(const QString& text) {
    FFlash().Flash(text);
}

void WidgetPrompter::Progress(const QString& text) {
    FFlash().Progress(text);
}

void WidgetPrompter::ProcessEvents() {
    QCoreApplication::processEvents();
}

void WidgetPrompter::SetBusyCursor(bool on) {
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}
