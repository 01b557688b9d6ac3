#include "platform/engine/Database.h"

#include "platform/engine/Connection.h"
#include "platform/engine/ErrorNumbers.h"
#include "platform/engine/Statement.h"

#include <sqlite3.h>

namespace tarvix {

using detail::Connection;
using detail::Statement;

Database::Database(std::shared_ptr<Connection> conn) : conn_(std::move(conn)) {}

Database::~Database() = default;

bool Database::IsOpen() const
{
    return conn_ && conn_->db;
}

QString Database::FilePath() const
{
    return conn_->path;
}

std::unique_ptr<Recordset> Database::OpenRecordset(const QString& source, int type)
{
    conn_->handle();
    const QString trimmed = source.trimmed();
    if (trimmed.startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive)
        || trimmed.startsWith(QLatin1String("DELETE"), Qt::CaseInsensitive)) {
        detail::Translated t = conn_->translations.translate(source, conn_->schema);
        if (t.kind != detail::Translated::Kind::Select)
            throw EngineError(err::StatementNotUnderstood,
                              QStringLiteral("Instrucțiunea SQL nu este înțeleasă: un DELETE se "
                                             "rulează cu Execute, nu deschide rânduri."));
        std::unique_ptr<Recordset> rs(new Recordset(conn_, Recordset::Kind::Query));
        rs->names_ = std::move(t.columns);
        std::vector<Variant> params;
        params.reserve(t.params.size());
        for (QString& p : t.params)
            params.emplace_back(std::move(p));
        rs->load(t.sql, params);
        return rs;
    }
    const detail::TableInfo* table = conn_->schema.find(trimmed);
    if (!table)
        throw EngineError(err::UnknownTable, QStringLiteral("Tabela „%1” nu există în baza de date.").arg(source));
    const bool tableType = type == 0 || type == dbOpenTable;
    std::unique_ptr<Recordset> rs(new Recordset(conn_, tableType ? Recordset::Kind::Table : Recordset::Kind::Dynaset));
    rs->table_ = table;
    for (const detail::ColumnInfo& c : table->columns)
        rs->names_.push_back(c.name);
    return rs;
}

void Database::Execute(const QString& statement)
{
    conn_->handle();
    const detail::Translated t = conn_->translations.translate(statement, conn_->schema);
    if (t.kind != detail::Translated::Kind::Delete)
        throw EngineError(err::StatementNotUnderstood,
                          QStringLiteral("Instrucțiunea SQL nu este înțeleasă: Execute primește doar DELETE."));
    Statement st(*conn_, t.sql);
    for (std::size_t i = 0; i < t.params.size(); ++i)
        st.bind(static_cast<int>(i + 1), Variant(t.params[i]));
    st.run();
}

void Database::Close()
{
    conn_->handle();
    conn_->clearStatements();
    conn_->db.reset();
}

void Database::ExecuteScript(const QString& sql)
{
    conn_->exec(sql.toUtf8().constData());
}

void Database::BeginTransaction()
{
    // Read-only, a transaction is one snapshot of the file and takes no write lock.
    conn_->exec(sqlite3_db_readonly(conn_->handle(), "main") == 1 ? "BEGIN" : "BEGIN IMMEDIATE");
}

void Database::CommitTransaction()
{
    conn_->exec("COMMIT");
}

void Database::RollbackTransaction() noexcept
{
    if (conn_->db && !sqlite3_get_autocommit(conn_->db.get()))
        sqlite3_exec(conn_->db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Database::ReloadSchema()
{
    conn_->clearStatements();
    conn_->translations.clear();
    conn_->loadSchema();
}

bool Database::HasTable(const QString& table) const
{
    return conn_->schema.find(table) != nullptr;
}

std::vector<QString> Database::TableFields(const QString& table) const
{
    std::vector<QString> out;
    if (const detail::TableInfo* t = conn_->schema.find(table))
        for (const detail::ColumnInfo& c : t->columns) {
            out.push_back(c.name);
            if (!c.foldColumn.isEmpty())
                out.push_back(c.foldColumn);
        }
    return out;
}

Variant Database::QueryValue(const QString& sql)
{
    Statement st(*conn_, sql);
    if (!st.step())
        return {};
    return st.column(0);
}

std::vector<std::vector<Variant>> Database::QueryRows(const QString& sql, const std::vector<Variant>& params)
{
    Statement st(*conn_, sql);
    st.bind(params);
    std::vector<std::vector<Variant>> rows;
    while (st.step()) {
        std::vector<Variant> row;
        for (int c = 0; c < st.columnCount(); ++c)
            row.push_back(st.column(c));
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace tarvix
