// The clipboard window "Clipboard": lists and grids leave the program here.
// An export writes tab-separated lines (a title line, for a list a header
// line of its visible columns' titles, then one line per row) into the text
// area, copies the whole text to the system clipboard at once and leaves the
// window open, so that the text can also be saved, printed or shown in
// another font.  One modeless window, created on first use.
#pragma once

#include <QStringList>
#include <QWidget>
#include <memory>

class Prompter;
class QAbstractItemModel;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableView;

// The lines of a list view: the title when not empty, the visible columns'
// titles, then one line per row of their texts, each joined by tabs.
QStringList ListLines(QTableView* view, const QString& title);

class TFClpBd2 : public QWidget {
public:
    explicit TFClpBd2(QWidget* parent = nullptr);
    ~TFClpBd2() override;

    void ExportList(QTableView* view, const QString& title);
    void ExportGrid(const QAbstractItemModel* model, const QString& title);
    // The messages of printing go here (a widget prompter of its own until
    // one is given).
    void SetPrompter(Prompter* prompter) { m_prompter = prompter; }
    Prompter& prompter();

    void SaveClick();
    void FontClick();
    void PrintClick();

    QPlainTextEdit* Memo;
    QLabel* StatusLbl;
    QPushButton* CloseBtn;
    QPushButton* SaveBtn;
    QPushButton* FontBtn;
    QPushButton* PrintBtn;
    QPushButton* CancelBtn; // hidden: takes Escape

private:
    void Show(const QStringList& lines);

    Prompter* m_prompter = nullptr;
    std::unique_ptr<Prompter> m_own;
};

// The one clipboard window, created on first use.
TFClpBd2& FClpBd2();
