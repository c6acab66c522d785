// Reading and writing KOVRALDB.INI: section "main" (the settings) and section
// "forms" (window positions).
#include "data/SettingsFile.h"

#include "base/Prompter.h"
#include "data/Core.h"
#include "data/Profile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kMain = QStringLiteral("main");
const QString kForms = QStringLiteral("forms");
const QString kSavingNotice = QStringLiteral("Saving settings ( see KOVRALDB.INI )");

QString boolText(bool b) {
    return b ? QStringLiteral("1") : QStringLiteral("0");
}
QString dateText(const CalDate& d) {
    return QString::number(CalToInt(d));
}

CalDate readDate(const Profile& p, const QString& key, DateInt def) {
    const DateInt v = p.readInt(kMain, key, def);
    return v == 0 ? CalDate{} : IntToCal(v);
}

} // namespace

void ReadSettings(const QString& path, Settings& s) {
    const Profile p(path);
    const Settings d; // the defaults

    s.DefaultCashId = p.readInt(kMain, QStringLiteral("DefaultCashId"), d.DefaultCashId);
    s.DefaultCptyId = p.readInt(kMain, QStringLiteral("DefaultCptyId"), d.DefaultCptyId);
    s.DefaultCtgyId = p.readInt(kMain, QStringLiteral("DefaultCtgyId"), d.DefaultCtgyId);
    s.DefaultPotId = p.readInt(kMain, QStringLiteral("DefaultPotId"), d.DefaultPotId);
    s.SweepToPotId = p.readInt(kMain, QStringLiteral("SweepToPotId"), d.SweepToPotId);
    s.OpeningBalPotId = p.readInt(kMain, QStringLiteral("OpeningBalPotId"), d.OpeningBalPotId);
    s.DormantAfter = p.readInt(kMain, QStringLiteral("DormantAfter"), d.DormantAfter);
    s.BalFrom = readDate(p, QStringLiteral("BalFrom"), 0);
    s.BalAt = readDate(p, QStringLiteral("BalAt"), CalToInt(s.Today));
    s.RebalNeeded = p.readBool(kMain, QStringLiteral("RebalNeeded"), d.RebalNeeded);
    s.DatabaseName = p.readString(kMain, QStringLiteral("DatabaseName"), d.DatabaseName);
    s.FinancialYearDay1 = p.readInt(kMain, QStringLiteral("FinancialYearDay1"), d.FinancialYearDay1);
    s.FinancialYearMonth1 = p.readInt(kMain, QStringLiteral("FinancialYearMonth1"), d.FinancialYearMonth1);
    s.PostingsTxnIdVisible = p.readBool(kMain, QStringLiteral("PostingsTxnIdVisible"), d.PostingsTxnIdVisible);
    s.PostingsTypeVisible = p.readBool(kMain, QStringLiteral("PostingsTypeVisible"), d.PostingsTypeVisible);
    s.PostingsRefVisible = p.readBool(kMain, QStringLiteral("PostingsRefVisible"), d.PostingsRefVisible);
    s.PostingsPotNameVisible = p.readBool(kMain, QStringLiteral("PostingsPotNameVisible"), d.PostingsPotNameVisible);
    s.DBStartDate = readDate(p, QStringLiteral("DBStartDate"), 0);
    s.DBEndDate = readDate(p, QStringLiteral("DBEndDate"), 0);
    s.DBvn = p.readInt(kMain, QStringLiteral("DBvn"), d.DBvn);
    s.GenTo = readDate(p, QStringLiteral("GenTo"), 0);
    s.CashbackAccId = p.readInt(kMain, QStringLiteral("CashbackAccId"), d.CashbackAccId);
    s.PeriodType = p.readInt(kMain, QStringLiteral("PeriodType"), d.PeriodType);
    s.PeriodAutoRefresh = p.readBool(kMain, QStringLiteral("PeriodAutoRefresh"), d.PeriodAutoRefresh);
}

bool WriteSettings(Prompter& prompter, const QString& path, const Settings& s) {
    prompter.Notice(kSavingNotice);
    const Profile::KeyValues keys = {
        {QStringLiteral("DefaultCashId"), QString::number(s.DefaultCashId)},
        {QStringLiteral("DefaultCptyId"), QString::number(s.DefaultCptyId)},
        {QStringLiteral("DefaultCtgyId"), QString::number(s.DefaultCtgyId)},
        {QStringLiteral("DefaultPotId"), QString::number(s.DefaultPotId)},
        {QStringLiteral("SweepToPotId"), QString::number(s.SweepToPotId)},
        {QStringLiteral("OpeningBalPotId"), QString::number(s.OpeningBalPotId)},
        {QStringLiteral("DormantAfter"), QString::number(s.DormantAfter)},
        {QStringLiteral("BalFrom"), dateText(s.BalFrom)},
        {QStringLiteral("BalAt"), dateText(s.BalAt)},
        {QStringLiteral("RebalNeeded"), boolText(s.RebalNeeded)},
        {QStringLiteral("DatabaseName"), s.DatabaseName},
        {QStringLiteral("FinancialYearDay1"), QString::number(s.FinancialYearDay1)},
        {QStringLiteral("FinancialYearMonth1"), QString::number(s.FinancialYearMonth1)},
        {QStringLiteral("PostingsTxnIdVisible"), boolText(s.PostingsTxnIdVisible)},
        {QStringLiteral("PostingsTypeVisible"), boolText(s.PostingsTypeVisible)},
        {QStringLiteral("PostingsRefVisible"), boolText(s.PostingsRefVisible)},
        {QStringLiteral("PostingsPotNameVisible"), boolText(s.PostingsPotNameVisible)},
        {QStringLiteral("DBStartDate"), dateText(s.DBStartDate)},
        {QStringLiteral("DBEndDate"), dateText(s.DBEndDate)},
        {QStringLiteral("DBvn"), QString::number(s.DBvn)},
        // The day repeaters were last generated: saving always records today,
        // whether or not this run generated any.
        {QStringLiteral("GenTo"), dateText(s.Today)},
        {QStringLiteral("CashbackAccId"), QString::number(s.CashbackAccId)},
        {QStringLiteral("PeriodType"), QString::number(s.PeriodType)},
        {QStringLiteral("PeriodAutoRefresh"), boolText(s.PeriodAutoRefresh)},
    };
    Profile p(prompter, path);
    const bool ok = p.writeSection(kMain, keys);
    prompter.Notice(QString());
    return ok;
}

bool SetAsideUnreadableSettings(Prompter& prompter, const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return false;
    // A file that opens is read key by key, whatever its bytes: a key that
    // cannot be read takes its default on its own, and the rest are kept.
    bool readable = false;
    if (info.isFile()) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly)) {
            f.read(1);
            readable = f.error() == QFileDevice::NoError;
        }
    }
    if (readable)
        return false;
    const QString aside =
        path + QStringLiteral(".bad-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss"));
    if (QFile::rename(path, aside))
        prompter.ShowMessage(QStringLiteral("The settings file %1 could not be read: it has been kept as %2 and the "
                                            "settings start from their defaults")
                                 .arg(path, aside));
    else
        prompter.ShowMessage(QStringLiteral("The settings file %1 could not be read, nor be kept aside: the settings "
                                            "start from their defaults")
                                 .arg(path));
    return true;
}

void ReadSettings(TFCore& core) {
    SetAsideUnreadableSettings(core.prompter(), SettingsPath(core.dataFolder()));
    ReadSettings(SettingsPath(core.dataFolder()), core.settings());
    core.refreshControl();
}

bool WriteSettings(TFCore& core) {
    return WriteSettings(core.prompter(), SettingsPath(core.dataFolder()), core.settings());
}

const QStringList& FormPositionNames() {
    static const QStringList names = {
        QStringLiteral("FAccs"),      QStringLiteral("FAccs2"),   QStringLiteral("FAcSrchR"),
        QStringLiteral("Fanlsys"),    QStringLiteral("FBals"),    QStringLiteral("FChannels"),
        QStringLiteral("FChDets"),    QStringLiteral("FClpBd2"),  QStringLiteral("FCpty"),
        QStringLiteral("fcptypots"),  QStringLiteral("FCtgy"),    QStringLiteral("FCtrl"),
        QStringLiteral("fdptxn"),     QStringLiteral("FExtAcc"),  QStringLiteral("Finpacc"),
        QStringLiteral("FIntAcc"),    QStringLiteral("FMonthly"), QStringLiteral("Fnotepad"),
        QStringLiteral("FPgrp"),      QStringLiteral("FPstgs"),   QStringLiteral("FRebal"),
        QStringLiteral("FRegrp"),     QStringLiteral("FRemdrs"),  QStringLiteral("FRpr"),
        QStringLiteral("FRptrs"),     QStringLiteral("FSearch"),  QStringLiteral("FSearchR"),
        QStringLiteral("fselfolder"), QStringLiteral("Ftxnip3"),
    };
    return names;
}

std::vector<FormPosition> ReadFormPositions(const QString& path) {
    const Profile p(path);
    std::vector<FormPosition> out;
    for (const QString& name : FormPositionNames()) {
        FormPosition f;
        f.name = name;
        f.top = p.readInt(kForms, name + QStringLiteral("-T"), -1);
        f.left = p.readInt(kForms, name + QStringLiteral("-L"), -1);
        f.height = p.readInt(kForms, name + QStringLiteral("-H"), -1);
        f.width = p.readInt(kForms, name + QStringLiteral("-W"), -1);
        out.push_back(f);
    }
    return out;
}

bool WriteFormPositions(Prompter& prompter, const QString& path, const std::vector<FormPosition>& positions) {
    std::vector<const FormPosition*> ordered;
    for (const QString& name : FormPositionNames())
        for (const FormPosition& f : positions)
            if (f.name == name) {
                ordered.push_back(&f);
                break;
            }
    for (const FormPosition& f : positions)
        if (!FormPositionNames().contains(f.name))
            ordered.push_back(&f);

    Profile::KeyValues keys;
    for (const FormPosition* f : ordered) {
        keys.emplace_back(f->name + QStringLiteral("-T"), QString::number(f->top));
        keys.emplace_back(f->name + QStringLiteral("-L"), QString::number(f->left));
        keys.emplace_back(f->name + QStringLiteral("-H"), QString::number(f->height));
        keys.emplace_back(f->name + QStringLiteral("-W"), QString::number(f->width));
    }
    prompter.Notice(kSavingNotice);
    Profile p(prompter, path);
    const bool ok = p.writeSection(kForms, keys);
    prompter.Notice(QString());
    return ok;
}
