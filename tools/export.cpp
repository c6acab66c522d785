// kovral-export: writes a data folder's ledger as a plain-text journal that
// ledger-cli and hledger read.
//
//   kovral-export FOLDER [--out FILE] [--balances FILE]
//
// Accounts are named by kind and group path ("Ext:Banks:Banks 1:Current
// account"), names made safe for journals (no colons, no runs of spaces).
// Each transaction gives one journal entry per posting date (the bank's side
// may be dated later than the pots and categories) with its postings in the
// currency unit with two decimals.  The external account and counterparty
// sides of a payment or receipt balance each other and are real postings;
// its pot and category postings, which do not balance, are virtual ones in
// parentheses.  Transfers balance and are real.  Brought-forward balances
// open the journal as virtual postings.  Cancelled transactions, anchors,
// diary notes and statement balances carry no amount and are left out.
//
// --balances writes, for every account, external account, pot, counterparty
// and category with its journal name, the balance at the end of the balance
// period as movts holds it ("name<TAB>amount"): the figure the journal tools
// must give for postings up to BalAt.  The folder is read only.
#include "base/Amount.h"
#include "base/Dates.h"
#include "data/Settings.h"
#include "data/SettingsFile.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "ledger/Generator.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QTextStream>
#include <cstdio>
#include <vector>

namespace {

struct Node {
    int type = 0;
    int grpid = 0;
    QString name;
    Amount bfd = 0;
};

QString safeName(QString s) {
    static const QRegularExpression bad(QStringLiteral("[:;()\\[\\]#@*!\"&|=]"));
    static const QRegularExpression spaces(QStringLiteral("\\s+"));
    s.replace(bad, QStringLiteral("-"));
    s.replace(spaces, QStringLiteral(" "));
    s = s.trimmed();
    return s.isEmpty() ? QStringLiteral("-") : s;
}

QString money(qint64 cents) {
    const bool neg = cents < 0;
    const qint64 a = neg ? -cents : cents;
    return QStringLiteral("%1%2.%3")
        .arg(neg ? QStringLiteral("-") : QString())
        .arg(a / 100)
        .arg(a % 100, 2, 10, QLatin1Char('0'));
}

QString kindPrefix(int type) {
    switch (type) {
    case otExtAcc:
    case otExtGrp:
        return QStringLiteral("Ext");
    case otPot:
    case otPgrp:
        return QStringLiteral("Pot");
    case otCpty:
    case otCptyGrp:
        return QStringLiteral("Cpty");
    case otCtgy:
    case otCtgyGrp:
        return QStringLiteral("Ctgy");
    default:
        return QStringLiteral("Other");
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QString folder, outPath, balPath;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--out") && i + 1 < args.size())
            outPath = args[++i];
        else if (args[i] == QLatin1String("--balances") && i + 1 < args.size())
            balPath = args[++i];
        else if (folder.isEmpty() && !args[i].startsWith(QLatin1String("--")))
            folder = args[i];
        else
            folder.clear(), i = int(args.size());
    }
    if (folder.isEmpty()) {
        std::fprintf(stderr, "usage: kovral-export FOLDER [--out FILE] [--balances FILE]\n");
        return 2;
    }
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    if (!QFile::exists(SettingsPath(folder))) {
        std::fprintf(stderr, "kovral-export: %s holds no KOVRALDB.INI\n", qPrintable(folder));
        return 1;
    }

    HeadlessPrompter prompter;
    Settings settings;
    settings.Today = Today();
    ReadSettings(SettingsPath(folder), settings);
    Store store(prompter);
    if (!OpenLedgerStore(store, folder, false))
        return 1;

    // Objects and their journal names.
    QMap<int, Node> nodes;
    {
        Query q(store, QStringLiteral("SELECT Id, Type, Grpid, Name, BfdBal FROM obj ORDER BY Id"));
        while (q.next())
            nodes.insert(q.integer("Id"), Node{q.integer("Type"), q.integer("Grpid"), safeName(q.text("Name")),
                                               Amount(q.integer("BfdBal"))});
        if (!q.ok())
            return 1;
    }
    QHash<int, QString> names;
    QSet<QString> used;
    for (auto it = nodes.cbegin(); it != nodes.cend(); ++it) {
        if (!IsLeafKind(it->type))
            continue;
        QStringList path{it->name};
        int g = it->grpid;
        for (int steps = 0; g != 0 && nodes.contains(g) && steps < 100; ++steps) {
            path.prepend(nodes[g].name);
            g = nodes[g].grpid;
        }
        QString name = kindPrefix(it->type) + QLatin1Char(':') + path.join(QLatin1Char(':'));
        // A leaf named like a group at the same place would merge with it.
        if (used.contains(name))
            name += QStringLiteral(" #") + QString::number(it.key());
        used.insert(name);
        for (int k = 1; k < path.size(); ++k)
            used.insert(kindPrefix(it->type) + QLatin1Char(':') + QStringList(path.mid(0, k)).join(QLatin1Char(':')));
        names.insert(it.key(), name);
    }

    QFile outFile;
    if (outPath.isEmpty()) {
        if (!outFile.open(stdout, QIODevice::WriteOnly))
            return 1;
    } else {
        outFile.setFileName(outPath);
        if (!outFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            std::fprintf(stderr, "kovral-export: cannot write %s\n", qPrintable(outPath));
            return 1;
        }
    }
    QTextStream out(&outFile);
    out << "; KOVRAL ledger " << folder << "\n; balance period " << CalToDateStr(settings.BalFrom) << " to "
        << CalToDateStr(settings.BalAt) << "\n\n";

    // Opening balances, dated before every posting.
    {
        Query q(store, QStringLiteral("SELECT min(Pstgdate) FROM pstg WHERE Txntype NOT IN ('A', 'D', 'Z')"
                                      " AND Pstgdate > '0000-00-00'"));
        CalDate first = q.next() ? DateStrToCal(q.text(0)) : settings.BalFrom;
        q.reset();
        if (IsNullDate(first))
            first = settings.Today;
        PrevDay(first);
        QString lines;
        for (auto it = nodes.cbegin(); it != nodes.cend(); ++it)
            if (IsLeafKind(it->type) && it->bfd != 0)
                lines += QStringLiteral("    (%1)  %2\n").arg(names[it.key()], money(it->bfd));
        if (!lines.isEmpty())
            out << CalToDateStr(first) << " Brought forward\n" << lines << "\n";
    }

    // Transactions, one entry per posting date.
    struct P {
        int objid;
        qint64 amt;
    };
    Query q(store,
            QStringLiteral("SELECT p.Txnid, p.Objid, p.Amt, p.Pstgdate, t.Narrative, t.Type"
                           " FROM pstg p JOIN txn t ON t.Id = p.Txnid"
                           " WHERE p.Txntype NOT IN ('A', 'D', 'Z') AND p.Amt <> 0 AND coalesce(t.Cancelled, 0) = 0"
                           " ORDER BY p.Txnid, p.Pstgdate, p.Objid"));
    int curTxn = -1;
    QString curDate, curNarr;
    std::vector<P> group;
    qint64 entries = 0;
    auto flush = [&] {
        if (group.empty())
            return;
        qint64 sum = 0, realSum = 0;
        for (const P& p : group) {
            sum += p.amt;
            const int t = nodes.value(p.objid).type;
            if (t == otExtAcc || t == otCpty)
                realSum += p.amt;
        }
        out << curDate << " (" << curTxn << ") " << curNarr << "\n";
        for (const P& p : group) {
            const int t = nodes.value(p.objid).type;
            // Real when the whole entry balances, or when it is the external
            // account and counterparty pair of a payment or receipt.
            const bool real = sum == 0 || (realSum == 0 && (t == otExtAcc || t == otCpty));
            const QString name = names.value(p.objid, QStringLiteral("Other:obj %1").arg(p.objid));
            out << "    " << (real ? name : QLatin1Char('(') + name + QLatin1Char(')')) << "  " << money(p.amt) << "\n";
        }
        out << "\n";
        ++entries;
        group.clear();
    };
    while (q.next()) {
        const int txnid = q.integer("Txnid");
        const QString date = q.text("Pstgdate");
        if (txnid != curTxn || date != curDate) {
            flush();
            curTxn = txnid;
            curDate = date;
            curNarr = safeName(q.text("Narrative"));
            if (curNarr == QLatin1String("-"))
                curNarr = QStringLiteral("(no narrative)");
        }
        group.push_back({q.integer("Objid"), q.int64("Amt")});
    }
    flush();
    out.flush();
    if (!q.ok())
        return 1;

    if (!balPath.isEmpty()) {
        QFile bf(balPath);
        if (!bf.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            std::fprintf(stderr, "kovral-export: cannot write %s\n", qPrintable(balPath));
            return 1;
        }
        QTextStream bs(&bf);
        Query m(store, QStringLiteral("SELECT Accid, Bal FROM movts ORDER BY Accid"));
        while (m.next())
            if (names.contains(m.integer("Accid")))
                bs << names[m.integer("Accid")] << '\t' << money(m.int64("Bal")) << '\n';
    }
    std::fprintf(stderr, "kovral-export: %lld journal entries\n", static_cast<long long>(entries));
    return prompter.messages().isEmpty() ? 0 : 1;
}
