// The notice window: a small modeless light-green window in the middle of the
// screen that tells the user what is happening (for example while the settings
// are saved).  It stays until a new notice replaces it or an empty notice
// hides it.
#pragma once

#include <QColor>
#include <QWidget>

class QFrame;
class QLabel;

class TFNotice : public QWidget {
    Q_OBJECT
public:
    static QColor NoticeColour() { return QColor(128, 255, 128); }

    explicit TFNotice(QWidget* parent = nullptr);

    // Shows text centred on the screen and draws it at once; an empty text
    // hides the window.
    void ShowNotice(const QString& text);
    QString Text() const;

    QFrame* Panel;
    QLabel* Label;
};

// The process-wide notice window, created on first use.
TFNotice& FNotice();
