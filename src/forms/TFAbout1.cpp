// The about box.
#include "forms/TFAbout1.h"

#include "base/Dates.h"
#include "forms/Placement.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPointer<TFAbout1> g_about;
void DeleteAbout() {
    delete g_about.data();
}

QString VersionText() {
    const QString v = QCoreApplication::applicationVersion();
    return QStringLiteral("Version ") + (v.isEmpty() ? QStringLiteral("0.1.0") : v);
}

QLabel* PlainLabel(QWidget* parent, const char* name) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setTextFormat(Qt::PlainText);
    l->setAlignment(Qt::AlignHCenter);
    return l;
}

} // namespace

TFAbout1::TFAbout1(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FAbout1"));
    setWindowTitle(QStringLiteral("About KOVRAL"));

    InfoLbl = PlainLabel(this, "InfoLbl");
    InfoLbl->setFrameShape(QFrame::StyledPanel);
    InfoLbl->setMargin(12);
    InfoLbl->setTextInteractionFlags(Qt::TextSelectableByMouse);
    PathLbl = PlainLabel(this, "PathLbl");
    FolderLbl = PlainLabel(this, "FolderLbl");
    DateLbl = PlainLabel(this, "DateLbl");
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(InfoLbl);
    layout->addWidget(PathLbl);
    layout->addWidget(FolderLbl);
    layout->addWidget(DateLbl);
    layout->addLayout(buttons);
    // The labels' widths drive the window's: a long path widens it.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Escape rejects and Enter presses OK: both only hide the window.
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    Refresh();
}

void TFAbout1::Refresh() {
    InfoLbl->setText(QStringLiteral("KOVRAL\n") + VersionText() +
                     QStringLiteral("\n\nSingle-user bookkeeping:\naccounts, pots, counterparties and categories"));
    // The real path: file names differ by letter case here.
    const QString path = QCoreApplication::applicationFilePath();
    PathLbl->setText(path);
    FolderLbl->setText(m_programFolder.isEmpty() ? QString() : QStringLiteral("Ledger kept in ") + m_programFolder);
    FolderLbl->setVisible(!m_programFolder.isEmpty());
    DateLbl->setText(FormatDateTime(QFileInfo(path).lastModified()));
    adjustSize();
}

void TFAbout1::SetProgramFolder(const QString& folder) {
    m_programFolder = folder;
    Refresh();
}

TFAbout1& FAbout1() {
    if (!g_about) {
        g_about = new TFAbout1;
        static bool registered = false;
        if (!registered) {
            qAddPostRoutine(DeleteAbout);
            registered = true;
        }
    }
    return *g_about;
}

void ShowAbout() {
    FAbout1().Refresh();
    ShowRestored(&FAbout1());
}
