#include "support/TestFiles.h"

#include "data/SettingsFile.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "support/ScriptedPrompter.h"

#include <QFile>
#include <QStringList>
#include <cstdio>
#include <gtest/gtest.h>

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArrayLiteral("<missing>");
}

QString ReadText(const QString& path) {
    return QString::fromUtf8(ReadFile(path));
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size() && f.flush();
}

std::optional<std::int64_t> ScalarOf(Store& store, const QString& sql) {
    Query q(store, sql);
    if (!q.next())
        return std::nullopt;
    const std::int64_t v = q.int64(0);
    q.reset();
    return v;
}

std::int64_t Scalar(Store& store, const QString& sql) {
    const std::optional<std::int64_t> v = ScalarOf(store, sql);
    EXPECT_TRUE(v.has_value()) << sql.toStdString();
    return v.value_or(-1);
}

bool HasColumn(Store& store, const QString& table, const char* column) {
    Query q(store, QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(table));
    return q.prepared() && q.hasColumn(column);
}

bool MakeLedgerFolder(const QString& folder, int version, const QStringList& sql, const QByteArray& ini) {
    ScriptedPrompter p;
    Store s(p);
    if (!OpenLedgerStore(s, folder, true, version)) {
        std::fprintf(stderr, "cannot make the tables in %s\n", qPrintable(folder));
        return false;
    }
    for (const QString& stmt : sql)
        if (!s.exec(stmt)) {
            std::fprintf(stderr, "failed: %s\n", qPrintable(stmt));
            return false;
        }
    s.close();
    if (!p.messages().isEmpty())
        return false;
    return ini.isNull() || WriteFile(SettingsPath(folder), ini);
}
