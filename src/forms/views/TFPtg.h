// Printing lines of text, and the print dialog "Print " that sets the page
// size and margins for it.
//
// Pages are laid out in millimetres on a printable sheet taken as 200 mm by
// 285 mm whatever the printer reports.  A page smaller than A4 becomes a tile
// with a frame drawn round it, and tiles fill the sheet left to right, then
// top to bottom, before the next sheet starts; an A4 page (210 by 297 or
// more) is a sheet of its own.  Millimetres become printer pixels as mm / 25.4
// times the printer's pixels per inch, across and down separately.
#pragma once

#include <QDialog>
#include <QFont>
#include <QPainter>
#include <QRect>
#include <QStringList>
#include <vector>

class Prompter;
class QLineEdit;
class QPagedPaintDevice;
class QPrinter;
class QPushButton;

// The page and margins in millimetres, as the dialog's boxes hold them.
struct PrintSettings {
    QString width = QStringLiteral("210");
    QString height = QStringLiteral("297");
    QString top = QStringLiteral("10");
    QString bottom = QStringLiteral("10");
    QString left = QStringLiteral("10");
    QString right = QStringLiteral("10");
};

// Millimetres to pixels at ppi pixels per inch.
int MmToPixels(double mm, int ppi);

// One print job of lines on a paged device (a printer or a PDF file).
class PagePrinter {
public:
    // Starts the job: reads the sizes (a box that is not a number: the
    // conversion message, false), takes the device's resolution ("Program
    // error : pxlsperinch.x = 0" and false when it has none), lays out the
    // first tile and measures the line height of font.
    bool Begin(QPagedPaintDevice* device, const PrintSettings& settings, const QFont& font, Prompter& prompter);
    // Sets tab stops so that the tab-separated columns of lines line up:
    // each column as wide as its widest cell in the job's font, plus a gap.
    // Without it a tab moves to the next of the painter's default stops.
    void AlignColumns(const QStringList& lines);
    const std::vector<qreal>& TabStops() const { return m_tabStops; }
    void PrintLine(const QString& text);
    void End();

    int Sheets() const { return m_sheets; }
    // The frames drawn round the tiles, in device pixels, with the sheet each
    // was drawn on (1 first).
    struct Frame {
        int sheet;
        QRect rect;
    };
    const std::vector<Frame>& Frames() const { return m_frames; }

private:
    void LayOutTile();
    void NextTile();

    QPagedPaintDevice* m_device = nullptr;
    QPainter m_painter;
    int m_ppiX = 0, m_ppiY = 0;
    int m_sheetW = 0, m_sheetH = 0;
    QRect m_tile;
    int m_textLeft = 0, m_textTop = 0, m_textRight = 0, m_textBottom = 0;
    int m_marginTop = 0, m_marginBottom = 0, m_marginLeft = 0, m_marginRight = 0;
    int m_lineTop = 0;
    int m_lineHeight = 0;
    bool m_fullSheet = false;
    bool m_framed = false;
    int m_sheets = 0;
    std::vector<Frame> m_frames;
    std::vector<qreal> m_tabStops; // from the text's left edge, in device pixels
};

// The print dialog: modal; Print (default), Cancel (Escape), Setup.
class TFPtg : public QDialog {
public:
    explicit TFPtg(QWidget* parent = nullptr);

    // Shows the dialog; true when it ends with Print.
    bool Execute();
    PrintSettings Settings() const;
    QPrinter* Printer() const { return m_printer; }

    QLineEdit* WidthBox;
    QLineEdit* HeightBox;
    QLineEdit* TopBox;
    QLineEdit* BottomBox;
    QLineEdit* LeftBox;
    QLineEdit* RightBox;
    QPushButton* A4Btn;
    QPushButton* PrintBtn;
    QPushButton* CancelBtn;
    QPushButton* SetupBtn;

private:
    QPrinter* m_printer;
};

// The one print dialog, created on first use.
TFPtg& FPtg();

// Asks with the print dialog and prints lines on its printer in font;
// nothing when lines is empty or the dialog is cancelled.
void PrintLines(const QStringList& lines, const QFont& font, Prompter& prompter);
