// Printing lines of text and the print dialog; see TFPtg.h.
#include "forms/views/TFPtg.h"

#include "base/Prompter.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

namespace {

constexpr double kInchPerMm = 0.03937007874015748;
constexpr double kSheetWidthMm = 200;
constexpr double kSheetHeightMm = 285;

// A box's text as millimetres; the conversion message when it is no number.
bool ReadMm(const QString& text, double& mm, Prompter& prompter) {
    bool ok = false;
    mm = text.trimmed().toDouble(&ok);
    if (!ok)
        prompter.ShowMessage(QLatin1Char('\'') + text + QStringLiteral("' is not a valid floating point value"));
    return ok;
}

} // namespace

int MmToPixels(double mm, int ppi) {
    return int(std::lround(mm * kInchPerMm * ppi));
}

bool PagePrinter::Begin(QPagedPaintDevice* device, const PrintSettings& s, const QFont& font, Prompter& prompter) {
    double width = 0, height = 0, top = 0, bottom = 0, left = 0, right = 0;
    if (!ReadMm(s.width, width, prompter) || !ReadMm(s.height, height, prompter) || !ReadMm(s.top, top, prompter) ||
        !ReadMm(s.bottom, bottom, prompter) || !ReadMm(s.left, left, prompter) || !ReadMm(s.right, right, prompter))
        return false;
    m_ppiX = device->logicalDpiX();
    m_ppiY = device->logicalDpiY();
    if (m_ppiX == 0) {
        prompter.ProgramError(QStringLiteral("pxlsperinch.x = 0"));
        return false;
    }
    if (m_ppiY == 0) {
        prompter.ProgramError(QStringLiteral("pxlsperinch.y = 0"));
        return false;
    }
    m_device = device;
    if (!m_painter.begin(device))
        return false;
    m_sheets = 1;
    m_frames.clear();
    m_fullSheet = width >= 210 && height >= 297;
    m_framed = width < 210 && height < 297;
    m_sheetW = MmToPixels(kSheetWidthMm, m_ppiX);
    m_sheetH = MmToPixels(kSheetHeightMm, m_ppiY);
    m_marginTop = MmToPixels(top, m_ppiY);
    m_marginBottom = MmToPixels(bottom, m_ppiY);
    m_marginLeft = MmToPixels(left, m_ppiX);
    m_marginRight = MmToPixels(right, m_ppiX);
    m_tile = QRect(0, 0, MmToPixels(width, m_ppiX), MmToPixels(height, m_ppiY));
    m_painter.setFont(font);
    // The height of "A": the font's full line height on the device.
    m_lineHeight = std::max(1, QFontMetrics(font, device).height());
    LayOutTile();
    return true;
}

void PagePrinter::LayOutTile() {
    m_textLeft = m_tile.left() + m_marginLeft;
    m_textTop = m_tile.top() + m_marginTop;
    m_textRight = m_tile.left() + m_tile.width() - m_marginRight;
    m_textBottom = m_tile.top() + m_tile.height() - m_marginBottom;
    if (m_framed) {
        m_painter.drawRect(m_tile);
        m_frames.push_back({m_sheets, m_tile});
    }
    m_lineTop = m_textTop;
}

void PagePrinter::NextTile() {
    auto newSheet = [this] {
        m_device->newPage();
        ++m_sheets;
        m_tile.moveTo(0, 0);
    };
    if (m_fullSheet) {
        newSheet();
    } else {
        m_tile.translate(m_tile.width(), 0);
        if (m_tile.left() + m_tile.width() > m_sheetW) {
            m_tile.moveLeft(0);
            m_tile.translate(0, m_tile.height());
            if (m_tile.top() + m_tile.height() > m_sheetH)
                newSheet();
        }
    }
    LayOutTile();
}

void PagePrinter::AlignColumns(const QStringList& lines) {
    m_tabStops.clear();
    if (!m_painter.isActive())
        return;
    const QFontMetricsF fm(m_painter.font(), m_device);
    std::vector<qreal> widths;
    for (const QString& line : lines) {
        const QStringList cells = line.split(QLatin1Char('\t'));
        for (qsizetype c = 0; c + 1 < cells.size(); ++c) { // the last cell ends the line
            if (std::size_t(c) >= widths.size())
                widths.push_back(0);
            widths[std::size_t(c)] = std::max(widths[std::size_t(c)], fm.horizontalAdvance(cells[c]));
        }
    }
    const qreal gap = 2 * fm.horizontalAdvance(QLatin1Char('x'));
    qreal x = 0;
    for (const qreal w : widths)
        m_tabStops.push_back(x += w + gap);
}

void PagePrinter::PrintLine(const QString& text) {
    if (!m_painter.isActive())
        return;
    if (m_lineTop + m_lineHeight > m_textBottom || m_lineTop + m_lineHeight > m_sheetH)
        NextTile();
    const QRect box(m_textLeft, m_lineTop, std::max(1, m_textRight - m_textLeft), m_lineHeight);
    if (m_tabStops.empty()) {
        m_painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextExpandTabs, text);
    } else {
        // Each cell at its column's stop; what does not fit the page's width
        // is cut at its margin.
        const QStringList cells = text.split(QLatin1Char('\t'));
        for (qsizetype c = 0; c < cells.size(); ++c) {
            if (c > qsizetype(m_tabStops.size()))
                break; // more tabs than the lines measured had
            const int x = m_textLeft + (c == 0 ? 0 : int(std::lround(m_tabStops[std::size_t(c - 1)])));
            if (x >= box.right())
                break;
            if (!cells[c].isEmpty())
                m_painter.drawText(QRect(x, box.top(), box.right() - x + 1, box.height()),
                                   Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, cells[c]);
        }
    }
    m_lineTop += m_lineHeight;
}

void PagePrinter::End() {
    if (m_painter.isActive())
        m_painter.end();
}

// ---- the dialog -------------------------------------------------------------

TFPtg::TFPtg(QWidget* parent) : QDialog(parent), m_printer(new QPrinter(QPrinter::HighResolution)) {
    setObjectName(QStringLiteral("FPtg"));
    setWindowTitle(QStringLiteral("Print "));
    auto* outer = new QVBoxLayout(this);

    auto* pageGrp = new QGroupBox(QStringLiteral("Page size (mm)"), this);
    auto* pg = new QGridLayout(pageGrp);
    WidthBox = new QLineEdit(QStringLiteral("210"), pageGrp);
    HeightBox = new QLineEdit(QStringLiteral("297"), pageGrp);
    A4Btn = new QPushButton(QStringLiteral("A4"), pageGrp);
    A4Btn->setAutoDefault(false);
    pg->addWidget(new QLabel(QStringLiteral("Width"), pageGrp), 0, 0);
    pg->addWidget(WidthBox, 0, 1);
    pg->addWidget(new QLabel(QStringLiteral("Height"), pageGrp), 1, 0);
    pg->addWidget(HeightBox, 1, 1);
    pg->addWidget(A4Btn, 0, 2, 2, 1);
    outer->addWidget(pageGrp);

    auto* marginGrp = new QGroupBox(QStringLiteral("Margins (mm)"), this);
    auto* mg = new QGridLayout(marginGrp);
    TopBox = new QLineEdit(QStringLiteral("10"), marginGrp);
    BottomBox = new QLineEdit(QStringLiteral("10"), marginGrp);
    LeftBox = new QLineEdit(QStringLiteral("10"), marginGrp);
    RightBox = new QLineEdit(QStringLiteral("10"), marginGrp);
    mg->addWidget(new QLabel(QStringLiteral("Top / Bottom"), marginGrp), 0, 0);
    mg->addWidget(TopBox, 0, 1);
    mg->addWidget(BottomBox, 0, 2);
    mg->addWidget(new QLabel(QStringLiteral("Left / Right"), marginGrp), 1, 0);
    mg->addWidget(LeftBox, 1, 1);
    mg->addWidget(RightBox, 1, 2);
    outer->addWidget(marginGrp);
    for (QLineEdit* e : {WidthBox, HeightBox, TopBox, BottomBox, LeftBox, RightBox})
        e->setMaximumWidth(70);

    auto* buttons = new QHBoxLayout;
    PrintBtn = new QPushButton(QStringLiteral("Print"), this);
    PrintBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setAutoDefault(false);
    SetupBtn = new QPushButton(QStringLiteral("Setup"), this);
    SetupBtn->setAutoDefault(false);
    buttons->addWidget(PrintBtn);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(SetupBtn);
    outer->addLayout(buttons);

    connect(A4Btn, &QPushButton::clicked, this, [this] {
        HeightBox->setText(QStringLiteral("297"));
        WidthBox->setText(QStringLiteral("210"));
    });
    connect(PrintBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(SetupBtn, &QPushButton::clicked, this, [this] {
        QPageSetupDialog setup(m_printer, this);
        setup.exec();
    });
}

bool TFPtg::Execute() {
    return exec() == QDialog::Accepted;
}

PrintSettings TFPtg::Settings() const {
    PrintSettings s;
    s.width = WidthBox->text();
    s.height = HeightBox->text();
    s.top = TopBox->text();
    s.bottom = BottomBox->text();
    s.left = LeftBox->text();
    s.right = RightBox->text();
    return s;
}

namespace {
TFPtg* g_ptg = nullptr;
void DeletePtg() {
    delete g_ptg;
    g_ptg = nullptr;
}
} // namespace

TFPtg& FPtg() {
    if (!g_ptg) {
        g_ptg = new TFPtg;
        qAddPostRoutine(DeletePtg);
    }
    return *g_ptg;
}

void PrintLines(const QStringList& lines, const QFont& font, Prompter& prompter) {
    if (lines.isEmpty())
        return;
    TFPtg& dlg = FPtg();
    if (!dlg.Execute())
        return;
    BusyScope busy(prompter);
    PagePrinter job;
    if (!job.Begin(dlg.Printer(), dlg.Settings(), font, prompter))
        return;
    job.AlignColumns(lines);
    for (const QString& line : lines)
        job.PrintLine(line);
    job.End();
}
