#include "platform/engine/SqliteConnection.h"

#include "platform/engine/DBEngine.h"
#include "platform/engine/ErrorNumbers.h"
#include "platform/engine/SqliteStatement.h"
#include "platform/engine/Statement.h"
#include "platform/engine/TextRules.h"

#include <QFile>

#include <sqlite3.h>

namespace tarvix::detail {

void SqliteCloser::operator()(sqlite3* db) const noexcept
{
    sqlite3_close_v2(db);
}

SqliteConnection::SqliteConnection(const QString& displayPath, const QByteArray& name, int flags)
{
    path = displayPath;
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(name.constData(), &raw, flags, nullptr);
    db_.reset(raw);
    if (rc != SQLITE_OK)
        fail(rc);
    sqlite3_extended_result_codes(raw, 1);
    sqlite3_busy_timeout(raw, DBEngine::BusyTimeoutMs);
    RegisterTextRules(raw);
    exec("PRAGMA foreign_keys = ON");
}

sqlite3* SqliteConnection::handle() const
{
    ensureOpen();
    return db_.get();
}

void SqliteConnection::fail(int rc) const
{
    RaiseSqliteError(db_.get(), rc, fileName());
}

std::unique_ptr<PreparedStatement> SqliteConnection::prepareNew(const QString& sql)
{
    sqlite3_stmt* st = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    const int rc = sqlite3_prepare_v3(handle(), utf8.constData(), static_cast<int>(utf8.size()),
                                      SQLITE_PREPARE_PERSISTENT, &st, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(st);
        fail(rc);
    }
    return std::make_unique<SqliteStatement>(*this, st);
}

void SqliteConnection::exec(const char* sql)
{
    const int rc = sqlite3_exec(handle(), sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        fail(rc);
}

bool SqliteConnection::autocommit() const
{
    return sqlite3_get_autocommit(handle()) != 0;
}

bool SqliteConnection::readOnly() const
{
    return sqlite3_db_readonly(handle(), "main") == 1;
}

void SqliteConnection::begin()
{
    // Read-only, a transaction is one snapshot of the file and takes no write lock.
    exec(readOnly() ? "BEGIN" : "BEGIN IMMEDIATE");
}

void SqliteConnection::commit()
{
    exec("COMMIT");
}

void SqliteConnection::rollback() noexcept
{
    if (db_ && !sqlite3_get_autocommit(db_.get()))
        sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void SqliteConnection::savepoint(const QByteArray& name, bool)
{
    exec(QByteArray("SAVEPOINT " + name).constData());
}

void SqliteConnection::release(const QByteArray& name, bool)
{
    exec(QByteArray("RELEASE " + name).constData());
}

void SqliteConnection::undoSavepoint(const QByteArray& name, bool outermost) noexcept
{
    if (!db_)
        return;
    // A commit refused past the busy timeout leaves the transaction open: end it, or it holds the lock.
    const QByteArray undo = outermost ? QByteArray("ROLLBACK") : "ROLLBACK TO " + name + "; RELEASE " + name;
    sqlite3_exec(db_.get(), undo.constData(), nullptr, nullptr, nullptr);
}

std::int64_t SqliteConnection::lastInsertId()
{
    return sqlite3_last_insert_rowid(handle());
}

std::int64_t SqliteConnection::changes()
{
    return sqlite3_changes64(handle());
}

void SqliteConnection::loadSchema()
{
    Schema fresh;
    std::vector<QString> names;
    {
        Statement st(*this, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                           "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY name"));
        while (st.step())
            names.push_back(st.column(0).ToText());
    }
    for (const QString& name : names) {
        struct Pragma {
            QString name, type;
            std::int64_t pk;
        };
        std::vector<Pragma> info;
        {
            Statement st(*this, QStringLiteral("PRAGMA table_info(%1)").arg(QuoteName(name)));
            while (st.step())
                info.push_back({st.column(1).ToText(), st.column(2).ToText(), st.columnInt64(5)});
        }
        int pkCount = 0;
        for (const Pragma& c : info)
            pkCount += c.pk > 0 ? 1 : 0;
        // Only a lone INTEGER PRIMARY KEY is the rowid, the key SQLite gives.
        std::vector<RawColumn> raw;
        for (const Pragma& c : info)
            raw.push_back(
                {c.name,
                 pkCount == 1 && c.pk == 1 && c.type.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0,
                 false});
        fresh.tables.push_back(describeTable(name, raw));
    }
    schema = std::move(fresh);
}

}  // namespace tarvix::detail
