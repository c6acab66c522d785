// The SQLite connection behind the ledger tables: opening the nine files as one
// database, the statement cache, nested transactions and error reporting.
#include "data/Store.h"

#include "base/Prompter.h"
#include "base/Text.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <sqlite3.h>

#include <limits>

namespace {

// lower() for every alphabet: SQLite's own folds ASCII only, and names must
// match and sort the same way in SQL as in CompareNoCase.
void sqlLower(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc != 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const int n = sqlite3_value_bytes(argv[0]);
    // ASCII text folds to its ASCII lower case (what LowerText gives it),
    // without the round trip through QString: a search over every narrative
    // calls this for each row.
    bool ascii = true, upper = false;
    for (int i = 0; i < n && ascii; ++i) {
        ascii = static_cast<unsigned char>(p[i]) < 0x80;
        upper = upper || (p[i] >= 'A' && p[i] <= 'Z');
    }
    if (ascii && !upper && sqlite3_value_type(argv[0]) == SQLITE_TEXT) {
        sqlite3_result_value(ctx, argv[0]);
        return;
    }
    if (ascii) {
        // The result is a text as every lower() result is, also for a number.
        char* out = static_cast<char*>(sqlite3_malloc(n > 0 ? n : 1));
        if (!out) {
            sqlite3_result_error_nomem(ctx);
            return;
        }
        for (int i = 0; i < n; ++i)
            out[i] = (p[i] >= 'A' && p[i] <= 'Z') ? char(p[i] + ('a' - 'A')) : p[i];
        sqlite3_result_text(ctx, out, n, sqlite3_free);
        return;
    }
    const QByteArray out = LowerText(QString::fromUtf8(p, n)).toUtf8();
    sqlite3_result_text(ctx, out.constData(), int(out.size()), SQLITE_TRANSIENT);
}

// hasfolded(text, folded): 1 when text, folded as lower() folds it, holds
// folded (a text already folded), else 0; null text gives null.  Plain ASCII
// text is compared in place, with nothing allocated: a text search calls this
// for every narrative and ref.
void sqlHasFolded(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc != 2 || sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto* h = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const int hn = sqlite3_value_bytes(argv[0]);
    const auto* f = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    const int fn = sqlite3_value_bytes(argv[1]);
    bool ascii = true;
    for (int i = 0; i < hn && ascii; ++i)
        ascii = static_cast<unsigned char>(h[i]) < 0x80;
    if (!ascii) {
        const QString folded = LowerText(QString::fromUtf8(h, hn));
        sqlite3_result_int(ctx, folded.contains(QString::fromUtf8(f, fn)) ? 1 : 0);
        return;
    }
    // ASCII folds to ASCII: a text to find with anything else is not there.
    const auto lowerAscii = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c; };
    for (int i = 0; i + fn <= hn; ++i) {
        int j = 0;
        while (j < fn && lowerAscii(h[i + j]) == f[j])
            ++j;
        if (j == fn) {
            sqlite3_result_int(ctx, 1);
            return;
        }
    }
    sqlite3_result_int(ctx, 0);
}

// beyondint(v, ...): 1 when any argument is an integer that a 32-bit int
// cannot hold, else 0 (other values and nulls are not judged).  One call
// tests many columns of a row for less than fetching each of them.
void sqlBeyondInt(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_INTEGER) {
            const sqlite3_int64 v = sqlite3_value_int64(argv[i]);
            if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) {
                sqlite3_result_int(ctx, 1);
                return;
            }
        }
    sqlite3_result_int(ctx, 0);
}

} // namespace

std::int64_t Store::changeCount() const {
    return m_db ? std::int64_t(sqlite3_total_changes64(m_db)) : 0;
}

QString DateTimeToStore(const QDateTime& v) {
    return v.isValid() ? v.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")) : QString();
}

QDateTime DateTimeFromStore(const QString& s) {
    if (s.isEmpty())
        return {};
    // The stored form itself is read digit by digit: QDateTime::fromString
    // costs more than the rest of reading an object row.
    const auto digits = [&s](int from, int n, int& v) {
        v = 0;
        for (int i = from; i < from + n; ++i) {
            const QChar c = s[i];
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
            v = v * 10 + (c.unicode() - '0');
        }
        return true;
    };
    if ((s.size() == 19 || (s.size() == 23 && s[19] == QLatin1Char('.'))) && s[4] == QLatin1Char('-') &&
        s[7] == QLatin1Char('-') && s[10] == QLatin1Char(' ') && s[13] == QLatin1Char(':') &&
        s[16] == QLatin1Char(':')) {
        int y, mo, d, h, mi, sec, ms = 0;
        if (digits(0, 4, y) && digits(5, 2, mo) && digits(8, 2, d) && digits(11, 2, h) && digits(14, 2, mi) &&
            digits(17, 2, sec) && (s.size() == 19 || digits(20, 3, ms))) {
            const QDate date(y, mo, d);
            const QTime time(h, mi, sec, ms);
            if (date.isValid() && time.isValid())
                return QDateTime(date, time);
        }
    }
    QDateTime d = QDateTime::fromString(s, QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    if (!d.isValid())
        d = QDateTime::fromString(s, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    return d;
}

// ---------------------------------------------------------------------------
// Store

Store::Store(Prompter& prompter) : m_prompter(prompter) {}

Store::~Store() {
    close();
}

bool Store::open(const QString& folder, const QString& mainFile,
                 const std::vector<std::pair<QString, QString>>& attachFiles, bool create) {
    close();
    m_folder = folder;
    m_lastError.clear();
    auto missing = [&](const QString& file) {
        if (create || QFileInfo::exists(folder + file))
            return false;
        m_lastError = QStringLiteral("unable to open database file: ") + folder + file;
        if (!m_quiet)
            m_prompter.ShowMessage(m_lastError);
        return true;
    };
    if (missing(mainFile))
        return false;
    for (const auto& [file, schema] : attachFiles)
        if (missing(file))
            return false;

    // The nine files share one connection and SQLite's own message does not
    // say which of them it could not read (a damaged main file even surfaces
    // while the next file is attached), so each file's schema is read as soon
    // as it is opened and a failure names the file.
    auto fileError = [&](const QString& file, sqlite3_stmt* st) {
        const QString path = folder + file;
        m_lastError = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory");
        sqlite3_finalize(st);
        if (!m_lastError.contains(path))
            m_lastError += QStringLiteral(": ") + path;
        if (!m_quiet)
            m_prompter.ShowMessage(m_lastError);
    };
    auto schemaRead = [&](const QString& schema, const QString& file) {
        sqlite3_stmt* st = nullptr;
        const QByteArray sql = QStringLiteral("SELECT count(*) FROM \"%1\".sqlite_schema").arg(schema).toUtf8();
        if (sqlite3_prepare_v2(m_db, sql.constData(), -1, &st, nullptr) != SQLITE_OK ||
            sqlite3_step(st) != SQLITE_ROW) {
            fileError(file, st);
            return false;
        }
        sqlite3_finalize(st);
        return true;
    };

    const QByteArray path = (folder + mainFile).toUtf8();
    // One thread uses the connection: no per-call mutex.
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(path.constData(), &m_db, flags, nullptr) != SQLITE_OK) {
        fileError(mainFile, nullptr);
        sqlite3_close(m_db);
        m_db = nullptr;
        return false;
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_create_function_v2(m_db, "lower", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, sqlLower, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(m_db, "hasfolded", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, sqlHasFolded, nullptr,
                               nullptr, nullptr);
    sqlite3_create_function_v2(m_db, "beyondint", -1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, sqlBeyondInt,
                               nullptr, nullptr, nullptr);
    if (!schemaRead(QStringLiteral("main"), mainFile)) {
        close();
        return false;
    }

    for (const auto& [file, schema] : attachFiles) {
        sqlite3_stmt* st = nullptr;
        const QByteArray sql = QStringLiteral("ATTACH DATABASE ?1 AS \"%1\"").arg(schema).toUtf8();
        const QByteArray fp = (folder + file).toUtf8();
        bool good = sqlite3_prepare_v2(m_db, sql.constData(), -1, &st, nullptr) == SQLITE_OK &&
                    sqlite3_bind_text(st, 1, fp.constData(), -1, SQLITE_TRANSIENT) == SQLITE_OK &&
                    sqlite3_step(st) == SQLITE_DONE;
        if (!good)
            fileError(file, st);
        else
            sqlite3_finalize(st);
        if (!good || !schemaRead(schema, file)) {
            close();
            return false;
        }
    }
    // Rollback journal on every file (a commit over several files is then
    // atomic), full sync, and one writer: a second program on the same files
    // waits a little and then fails with SQLite's "database is locked".
    sqlite3_busy_timeout(m_db, 2000);
    if (!exec(QStringLiteral("PRAGMA journal_mode=DELETE")) || !setSynchronous(2)) {
        close();
        return false;
    }
    for (const auto& [file, schema] : attachFiles)
        if (!exec(QStringLiteral("PRAGMA \"%1\".journal_mode=DELETE").arg(schema))) {
            close();
            return false;
        }
    return true;
}

void Store::close() {
    if (!m_db)
        return;
    if (m_depth > 0 && !sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    m_depth = 0;
    m_doomed = false;
    dropIdleStatements();
    ++m_layoutGeneration; // a query still alive finalizes its statement on release
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

bool Store::exec(const QString& sql) {
    if (!m_db)
        return false;
    if (m_doomed) // a failed statement already spoilt this transaction
        return false;
    // A cached statement prepared before a change of layout still reports its
    // old columns until it runs again: drop the cache when a table changes.
    static const QRegularExpression ddl(QStringLiteral("^\\s*(ALTER|CREATE|DROP)\\b"),
                                        QRegularExpression::CaseInsensitiveOption);
    if (ddl.match(sql).hasMatch()) {
        dropIdleStatements();
        ++m_layoutGeneration; // statements in use now are finalized when released
    }
    char* err = nullptr;
    if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        sqlite3_free(err);
        reportError();
        return false;
    }
    m_lastError.clear();
    return true;
}

void Store::dropIdleStatements() {
    for (sqlite3_stmt* st : std::as_const(m_idle))
        sqlite3_finalize(st);
    m_idle.clear();
}

bool Store::setSynchronous(int level) {
    if (!m_db)
        return false;
    QStringList schemas;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(m_db, "PRAGMA database_list", -1, &st, nullptr);
    while (st && sqlite3_step(st) == SQLITE_ROW) {
        const QString name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
        if (name != QLatin1String("temp"))
            schemas << name;
    }
    sqlite3_finalize(st);
    for (const QString& s : std::as_const(schemas))
        if (!exec(QStringLiteral("PRAGMA \"%1\".synchronous=%2").arg(s).arg(level)))
            return false;
    return true;
}

bool Store::begin() {
    if (!m_db)
        return false;
    if (m_depth == 0) {
        m_doomed = false;
        if (!exec(QStringLiteral("BEGIN IMMEDIATE")))
            return false;
    }
    ++m_depth;
    return true;
}

bool Store::beginRead() {
    if (!m_db)
        return false;
    if (m_depth == 0) {
        m_doomed = false;
        if (!exec(QStringLiteral("BEGIN DEFERRED")))
            return false;
    }
    ++m_depth;
    return true;
}

bool Store::commit() {
    if (m_depth == 0)
        return false;
    if (m_depth > 1) {
        --m_depth;
        return !m_doomed;
    }
    m_depth = 0;
    if (m_doomed) {
        m_doomed = false;
        if (!sqlite3_get_autocommit(m_db))
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        reportError();
        m_doomed = false;
        if (!sqlite3_get_autocommit(m_db))
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }
    return true;
}

void Store::rollback() {
    if (m_depth == 0)
        return;
    if (m_depth > 1) {
        --m_depth;
        m_doomed = true;
        return;
    }
    m_depth = 0;
    m_doomed = false;
    if (!sqlite3_get_autocommit(m_db))
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

bool Store::savepoint(const QString& name) {
    return m_depth > 0 && exec(QStringLiteral("SAVEPOINT ") + name);
}

bool Store::releaseSavepoint(const QString& name) {
    return m_depth > 0 && exec(QStringLiteral("RELEASE ") + name);
}

bool Store::rollbackToSavepoint(const QString& name) {
    if (m_depth == 0 || !m_db || sqlite3_get_autocommit(m_db))
        return false; // SQLite already ended the transaction: the doom stays
    const QByteArray sql = (QStringLiteral("ROLLBACK TO ") + name + QStringLiteral("; RELEASE ") + name).toUtf8();
    if (sqlite3_exec(m_db, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        reportError();
        return false;
    }
    m_doomed = false;
    return true;
}

void Store::reportError(const QString& context) {
    m_lastError = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("database is not open");
    // Inside a transaction any failed statement spoils the whole of it: the
    // operation stops, and what it wrote so far is rolled back.  SQLite may
    // already have rolled back by itself (disk full, I/O error); then later
    // statements must not run in autocommit mode and be half-written.
    if (m_depth > 0)
        m_doomed = true;
    if (!m_quiet)
        m_prompter.ShowMessage(context.isEmpty() ? m_lastError : context + QStringLiteral("\n") + m_lastError);
}

sqlite3_stmt* Store::acquire(const QString& sql) {
    if (!m_db)
        return nullptr;
    auto it = m_idle.find(sql);
    if (it != m_idle.end()) {
        sqlite3_stmt* st = it.value();
        m_idle.erase(it);
        m_born.insert(st, m_layoutGeneration);
        return st;
    }
    sqlite3_stmt* st = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v3(m_db, utf8.constData(), int(utf8.size()), SQLITE_PREPARE_PERSISTENT, &st, nullptr) !=
        SQLITE_OK) {
        reportError();
        sqlite3_finalize(st);
        return nullptr;
    }
    m_born.insert(st, m_layoutGeneration);
    return st;
}

void Store::release(const QString& sql, sqlite3_stmt* stmt) {
    if (!stmt)
        return;
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    const bool current = m_born.take(stmt) == m_layoutGeneration;
    if (m_db && current && !m_idle.contains(sql))
        m_idle.insert(sql, stmt);
    else
        sqlite3_finalize(stmt);
}

int Store::changes() const {
    return m_db ? sqlite3_changes(m_db) : 0;
}

// ---------------------------------------------------------------------------
// Query

Query::Query(Store& store, const QString& sql) : m_store(store), m_sql(sql) {
    m_stmt = store.acquire(sql);
    m_ok = m_stmt != nullptr;
}

Query::~Query() {
    m_store.release(m_sql, m_stmt);
}

int Query::param(const char* name) {
    if (!m_stmt)
        return 0;
    QByteArray n(name);
    if (!n.startsWith(':'))
        n.prepend(':');
    const int i = sqlite3_bind_parameter_index(m_stmt, n.constData());
    if (i == 0) {
        m_ok = false;
        m_store.prompter().ProgramError(QStringLiteral("no parameter %1 in %2").arg(QString::fromUtf8(n), m_sql));
    }
    return i;
}

Query& Query::bind(const char* name, std::int64_t v) {
    if (int i = param(name))
        sqlite3_bind_int64(m_stmt, i, v);
    return *this;
}

Query& Query::bind(const char* name, const QString& v) {
    if (int i = param(name)) {
        const QByteArray u = v.toUtf8();
        sqlite3_bind_text(m_stmt, i, u.constData(), int(u.size()), SQLITE_TRANSIENT);
    }
    return *this;
}

Query& Query::bindDateTime(const char* name, const QDateTime& v) {
    if (!v.isValid())
        return bindNull(name);
    return bind(name, DateTimeToStore(v));
}

Query& Query::bindNull(const char* name) {
    if (int i = param(name))
        sqlite3_bind_null(m_stmt, i);
    return *this;
}

bool Query::next() {
    if (!m_stmt || !m_ok)
        return false;
    if (!m_stepped && m_store.doomed() && !sqlite3_stmt_readonly(m_stmt))
        return false; // the transaction already failed: write nothing more
    m_stepped = true;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE) {
        m_ok = false;
        m_store.reportError();
    }
    sqlite3_reset(m_stmt);
    m_stepped = false;
    return false;
}

bool Query::exec() {
    if (!m_stmt || !m_ok)
        return false;
    if (m_store.doomed() && !sqlite3_stmt_readonly(m_stmt))
        return false; // the transaction already failed: write nothing more
    int rc;
    while ((rc = sqlite3_step(m_stmt)) == SQLITE_ROW) {
    }
    sqlite3_reset(m_stmt);
    m_stepped = false;
    if (rc != SQLITE_DONE) {
        m_ok = false;
        m_store.reportError();
        return false;
    }
    return true;
}

void Query::reset() {
    if (m_stmt)
        sqlite3_reset(m_stmt);
    m_stepped = false;
    m_ok = m_stmt != nullptr;
}

int Query::index(const char* col) const {
    if (!m_stmt)
        return -1;
    if (m_cols.isEmpty()) {
        const int n = sqlite3_column_count(m_stmt);
        // A name that two joined tables share reads the first table's column.
        for (int i = 0; i < n; ++i) {
            const QByteArray name = QByteArray(sqlite3_column_name(m_stmt, i)).toLower();
            if (!m_cols.contains(name))
                m_cols.insert(name, i);
        }
    }
    const auto it = m_cols.constFind(QByteArray(col).toLower());
    if (it == m_cols.cend()) {
        m_store.prompter().ProgramError(QStringLiteral("no column %1 in %2").arg(QString::fromUtf8(col), m_sql));
        return -1;
    }
    return it.value();
}

bool Query::hasColumn(const char* col) const {
    if (!m_stmt)
        return false;
    const int n = sqlite3_column_count(m_stmt);
    for (int i = 0; i < n; ++i)
        if (qstricmp(sqlite3_column_name(m_stmt, i), col) == 0)
            return true;
    return false;
}

bool Query::isNull(const char* col) const {
    const int i = index(col);
    return i < 0 || sqlite3_column_type(m_stmt, i) == SQLITE_NULL;
}

std::int64_t Query::int64(const char* col) const {
    const int i = index(col);
    return i < 0 ? 0 : sqlite3_column_int64(m_stmt, i);
}

int Query::integer(const char* col) const {
    return int(int64(col));
}

bool Query::boolean(const char* col) const {
    return int64(col) != 0;
}

QString Query::text(const char* col) const {
    const int i = index(col);
    return i < 0 ? QString() : text(i);
}

QDateTime Query::dateTime(const char* col) const {
    return DateTimeFromStore(text(col));
}

int Query::columnCount() const {
    return m_stmt ? sqlite3_column_count(m_stmt) : 0;
}

QString Query::columnName(int i) const {
    return m_stmt ? QString::fromUtf8(sqlite3_column_name(m_stmt, i)) : QString();
}

bool Query::isNull(int i) const {
    return !m_stmt || sqlite3_column_type(m_stmt, i) == SQLITE_NULL;
}

bool Query::isInteger(int i) const {
    return m_stmt && sqlite3_column_type(m_stmt, i) == SQLITE_INTEGER;
}

std::int64_t Query::int64(int i) const {
    return m_stmt ? sqlite3_column_int64(m_stmt, i) : 0;
}

QString Query::text(int i) const {
    if (!m_stmt)
        return {};
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, i));
    return p ? QString::fromUtf8(p, sqlite3_column_bytes(m_stmt, i)) : QString();
}

// ---------------------------------------------------------------------------
// StoreTransaction

StoreTransaction::StoreTransaction(Store& store) : m_store(store) {
    m_began = store.begin();
}

StoreTransaction::~StoreTransaction() {
    if (m_began && !m_done)
        m_store.rollback();
}

bool StoreTransaction::commit() {
    if (!m_began || m_done)
        return false;
    m_done = true;
    return m_store.commit();
}
