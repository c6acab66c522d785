// Drives modal windows from inside their own event loop: the window tests
// queue what the user will do, then call the function that shows the window.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <QtTest>
#include <functional>

// Closes every modal widget still open (cleanup after a failed test).
inline void CloseModals() {
    for (int guard = 0; guard < 20; ++guard) {
        QWidget* w = QApplication::activeModalWidget();
        if (!w)
            break;
        if (auto* dialog = qobject_cast<QDialog*>(w))
            dialog->done(QDialog::Rejected);
        else
            w->close();
    }
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
}

// Runs f on the next modal widget to appear (polling every 10 ms).  When a
// check inside f fails, every modal widget is closed so the test cannot hang.
inline void WhenModal(std::function<void(QWidget*)> f) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, f] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            f(w);
            if (QTest::currentTestFailed())
                CloseModals();
        }
    });
    timer->start();
}

// The standard button of a message box, to click.
inline QAbstractButton* BoxButton(QWidget* w, QMessageBox::StandardButton which) {
    auto* box = qobject_cast<QMessageBox*>(w);
    return box ? box->button(which) : nullptr;
}
