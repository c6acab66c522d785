// The table store: one SQLite connection per open data folder.
//
// Each ledger table lives in its own file in the data folder (OBJ.DB, TXN.DB,
// ...).  OBJ.DB is the connection's main database and the other eight are
// ATTACHed to it, so SQL names the tables bare (obj, txn, pstg, ...) and one
// commit that touches several files is atomic (rollback journal with SQLite's
// super-journal; never WAL).
//
// Errors raised by SQLite (a missing or damaged file, a full disk, a read-only
// folder) reach the user as SQLite's own message through the prompter; the
// call that met them returns false.  Nothing here throws.
//
// Storage of the column types (see Tables.cpp for the tables):
//   Integer, Smallint  INTEGER
//   Boolean            INTEGER 0 or 1 (null reads false)
//   Alpha n            TEXT, at most n characters (the writers cut)
//   Date               TEXT 'yyyy-mm-dd' (date 0 stored as NULL)
//   DateTime           TEXT 'yyyy-mm-dd hh:mm:ss.zzz' (sorts and compares as text)
//   Memo               TEXT
// Tables are STRICT, so a value of the wrong type is an error, not a silent
// conversion.
#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;
class Prompter;
class Query;

class Store {
public:
    explicit Store(Prompter& prompter);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // Opens the connection on folder (ends with "/"): mainFile is the main
    // database, each of attachFiles is attached under the schema name given
    // with it.  A missing file is created only when create is true; otherwise
    // it is an error.  Registers lower() for every alphabet, hasfolded() and
    // beyondint() (see Store.cpp) and switches off double-quoted string
    // literals.  Reports and returns false on failure.
    bool open(const QString& folder, const QString& mainFile,
              const std::vector<std::pair<QString, QString>>& attachFiles, bool create);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    QString folder() const { return m_folder; }

    // Runs one or more statements that return no rows; reports errors.
    bool exec(const QString& sql);

    // "PRAGMA synchronous" for every attached file: 2 = FULL (the default), 1 = NORMAL, 0 = OFF.
    bool setSynchronous(int level);

    // Transactions; see StoreTransaction for the scoped form.  begin() nests:
    // only the outermost begin starts a SQLite transaction.
    bool begin();
    // As begin(), but the outermost one starts a deferred transaction: it
    // takes no write lock until something is written, so a run of reads can
    // share one read transaction, and ending it when nothing was written
    // costs no journal and no sync.  A begin() inside it joins it.
    bool beginRead();
    bool commit();   // the outermost commit writes; fails when a nested scope rolled back
    void rollback(); // an inner rollback dooms the whole transaction
    bool inTransaction() const { return m_depth > 0; }
    // A savepoint inside the open transaction, for a part of a command that
    // may be undone alone (one line of an import).  releaseSavepoint keeps
    // what was written since; rollbackToSavepoint undoes it and, when the
    // SQLite transaction is still open, lifts a doom raised since (a nested
    // scope that rolled back after the savepoint).  False when it could not.
    bool savepoint(const QString& name);
    bool releaseSavepoint(const QString& name);
    bool rollbackToSavepoint(const QString& name);
    // True once a statement failed inside the open transaction: it will roll
    // back, and no further write runs in it.
    bool doomed() const { return m_doomed; }

    Prompter& prompter() { return m_prompter; }
    sqlite3* handle() { return m_db; }
    // Rows written through this connection since it opened (0 when closed):
    // a caller compares two readings to see whether anything was written
    // in between.
    std::int64_t changeCount() const;

    // The last SQLite error text (empty when the last call succeeded).
    QString lastError() const { return m_lastError; }
    // Reports an SQLite error through the prompter and remembers it.
    void reportError(const QString& context = QString());
    // Statements that report nothing (used where failure is an expected answer).
    void setQuiet(bool quiet) { m_quiet = quiet; }

    // Statement cache for Query.
    sqlite3_stmt* acquire(const QString& sql);
    void release(const QString& sql, sqlite3_stmt* stmt);

    // Count of rows changed by the last statement.
    int changes() const;

private:
    void dropIdleStatements();

    Prompter& m_prompter;
    sqlite3* m_db = nullptr;
    QString m_folder;
    QString m_lastError;
    int m_depth = 0;
    bool m_doomed = false;
    bool m_quiet = false;
    QHash<QString, sqlite3_stmt*> m_idle; // prepared statements not in use
    QHash<sqlite3_stmt*, quint64> m_born; // statements in use: the layout they were prepared on
    quint64 m_layoutGeneration = 0;       // counts ALTER/CREATE/DROP statements run
};

// A prepared statement with named parameters (":objid").  Columns are read by
// name, case-insensitively, with the null rules of the ledger tables: a null
// integer reads 0, a null boolean false, a null text "".
class Query {
public:
    Query(Store& store, const QString& sql);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    bool prepared() const { return m_stmt != nullptr; }

    Query& bind(const char* name, std::int64_t v);
    Query& bind(const char* name, int v) { return bind(name, std::int64_t(v)); }
    Query& bind(const char* name, bool v) { return bind(name, std::int64_t(v ? 1 : 0)); }
    Query& bind(const char* name, const QString& v);
    Query& bind(const char* name, const char* v) { return bind(name, QString::fromUtf8(v)); }
    Query& bindDateTime(const char* name, const QDateTime& v); // null QDateTime binds NULL
    Query& bindNull(const char* name);

    // Steps to the next row: true on a row; false at the end or on an error
    // (reported; ok() is then false).
    bool next();
    // Runs a statement that returns no rows; false (reported) on error.
    bool exec();
    // Rewinds so the statement can run again; bindings stay.
    void reset();
    bool ok() const { return m_ok; }

    bool isNull(const char* col) const;
    std::int64_t int64(const char* col) const;
    int integer(const char* col) const;
    bool boolean(const char* col) const;
    QString text(const char* col) const;
    QDateTime dateTime(const char* col) const; // null gives a null QDateTime
    bool hasColumn(const char* col) const;

    // By position, for queries with computed columns.
    int columnCount() const;
    QString columnName(int i) const;
    bool isNull(int i) const;
    bool isInteger(int i) const; // the value stored is an integer
    std::int64_t int64(int i) const;
    QString text(int i) const;

private:
    int index(const char* col) const;
    int param(const char* name);

    Store& m_store;
    QString m_sql;
    sqlite3_stmt* m_stmt = nullptr;
    bool m_ok = true;
    bool m_stepped = false;
    mutable QHash<QByteArray, int> m_cols;
};

// A scoped store transaction.  The outermost scope commits; inner scopes join
// it.  A scope left without commit() (an early return, an exception) rolls the
// whole transaction back: nothing of it is written.
class StoreTransaction {
public:
    explicit StoreTransaction(Store& store);
    ~StoreTransaction();
    StoreTransaction(const StoreTransaction&) = delete;
    StoreTransaction& operator=(const StoreTransaction&) = delete;

    bool ok() const { return m_began; }
    // Commits (outermost) or hands over to the outer scope; false when the
    // commit failed (reported) or the transaction was doomed.
    bool commit();

private:
    Store& m_store;
    bool m_began = false;
    bool m_done = false;
};

// Stored text of a DateTime column.
QString DateTimeToStore(const QDateTime& v);
QDateTime DateTimeFromStore(const QString& s);
