#include "platform/engine/Connection.h"

#include "platform/engine/ErrorNumbers.h"
#include "platform/engine/Statement.h"

#include <QFileInfo>

#include <sqlite3.h>

namespace tarvix::detail {

void SqliteCloser::operator()(sqlite3* db) const noexcept
{
    sqlite3_close_v2(db);
}

void StmtFinalizer::operator()(sqlite3_stmt* st) const noexcept
{
    sqlite3_finalize(st);
}

sqlite3* Connection::handle() const
{
    if (!db)
        throw EngineError(err::ObjectClosed, QStringLiteral("Conexiunea la baza de date a fost închisă."));
    return db.get();
}

QString Connection::fileName() const
{
    return QFileInfo(path).fileName();
}

void Connection::fail(int rc) const
{
    RaiseSqliteError(db.get(), rc, fileName());
}

sqlite3_stmt* Connection::prepare(const QString& sql)
{
    if (lastStmt && sql.constData() == lastSql.constData() && sql.size() == lastSql.size())
        return lastStmt;
    auto it = cache.find(sql);
    if (it != cache.end()) {
        lastSql = sql;
        lastStmt = it->second.get();
        return lastStmt;
    }
    sqlite3_stmt* st = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    const int rc = sqlite3_prepare_v3(handle(), utf8.constData(), static_cast<int>(utf8.size()),
                                      SQLITE_PREPARE_PERSISTENT, &st, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(st);
        fail(rc);
    }
    cache.emplace(sql, StmtPtr(st));
    lastSql = sql;
    lastStmt = st;
    return st;
}

void Connection::clearStatements()
{
    lastStmt = nullptr;
    lastSql.clear();
    cache.clear();
}

void Connection::exec(const char* sql)
{
    const int rc = sqlite3_exec(handle(), sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        fail(rc);
}

bool Connection::autocommit() const
{
    return sqlite3_get_autocommit(handle()) != 0;
}

void Connection::loadSchema()
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
        TableInfo t;
        t.name = name;
        struct Raw {
            QString name, type;
            std::int64_t pk;
        };
        std::vector<Raw> raw;
        {
            Statement st(*this, QStringLiteral("PRAGMA table_info(%1)").arg(QuoteName(name)));
            while (st.step())
                raw.push_back({st.column(1).ToText(), st.column(2).ToText(), st.columnInt64(5)});
        }
        // A column Xxx_Fold holds the fold key of column Xxx and is not shown as a field.
        auto isFoldOf = [&](const Raw& c) -> QString {
            if (!c.name.endsWith(QLatin1String("_Fold"), Qt::CaseInsensitive))
                return {};
            const QString base = c.name.left(c.name.size() - 5);
            for (const Raw& other : raw)
                if (other.name.compare(base, Qt::CaseInsensitive) == 0)
                    return other.name;
            return {};
        };
        int pkCount = 0;
        for (const Raw& c : raw)
            pkCount += c.pk > 0 ? 1 : 0;
        for (const Raw& c : raw)
            if (isFoldOf(c).isEmpty()) {
                if (pkCount == 1 && c.pk == 1 && c.type.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0)
                    t.keyColumn = static_cast<int>(t.columns.size());
                t.columns.push_back({c.name, {}});
            }
        for (const Raw& c : raw) {
            const QString base = isFoldOf(c);
            if (!base.isEmpty())
                t.columns[static_cast<std::size_t>(t.find(base))].foldColumn = c.name;
        }
        fresh.tables.push_back(std::move(t));
    }
    schema = std::move(fresh);
}

}  // namespace tarvix::detail
