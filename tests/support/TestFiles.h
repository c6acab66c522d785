// Small helpers shared by the core and window tests: whole files, one value
// from a query, whether a table has a column.  They report failure through
// their result, so a caller asserts on it and a failed setup stops the test.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

class Store;

// The bytes of a file; "<missing>" when it cannot be read, so a comparison
// with any real content fails.
QByteArray ReadFile(const QString& path);
QString ReadText(const QString& path);
// Writes (truncating) the whole file; false when any of it was not written.
bool WriteFile(const QString& path, const QByteArray& bytes);

// The first column of the first row of sql; nothing when the query fails or
// gives no row.
std::optional<std::int64_t> ScalarOf(Store& store, const QString& sql);
// The same in a GoogleTest test: a failed query fails the running test and
// gives -1.
std::int64_t Scalar(Store& store, const QString& sql);
bool HasColumn(Store& store, const QString& table, const char* column);

// Makes a data folder's tables at a schema version, runs sql on them, closes
// them, and writes the settings file when ini is given; false (with the
// reason on stderr) when any step fails.
bool MakeLedgerFolder(const QString& folder, int version, const QStringList& sql, const QByteArray& ini = {});
