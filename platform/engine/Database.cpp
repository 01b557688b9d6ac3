#include "platform/engine/Database.h"

#include "platform/engine/Connection.h"
#include "platform/engine/ErrorNumbers.h"
#include "platform/engine/Statement.h"

namespace tarvix {

using detail::Connection;
using detail::Statement;

Database::Database(std::shared_ptr<Connection> conn) : conn_(std::move(conn)) {}

Database::~Database() = default;

bool Database::IsOpen() const
{
    return conn_ && conn_->isOpen();
}

QString Database::FilePath() const
{
    return conn_->path;
}

bool Database::OnServer() const
{
    return conn_->onServer();
}

std::unique_ptr<Recordset> Database::OpenRecordset(const QString& source, int type)
{
    conn_->ensureOpen();
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
    conn_->ensureOpen();
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
    conn_->ensureOpen();
    conn_->close();
}

void Database::ExecuteScript(const QString& sql)
{
    conn_->exec(sql.toUtf8().constData());
}

void Database::BeginTransaction()
{
    conn_->begin();
}

void Database::CommitTransaction()
{
    conn_->commit();
}

void Database::RollbackTransaction() noexcept
{
    conn_->rollback();
}

void Database::BulkInsert(const QString& table, const std::vector<QString>& columns,
                          const std::vector<std::vector<Variant>>& rows)
{
    conn_->ensureOpen();
    // Names as the store spells them: a server keeps them in lower case.
    const detail::TableInfo* t = conn_->schema.find(table);
    if (!t)
        throw EngineError(err::UnknownTable, QStringLiteral("Tabela „%1” nu există în baza de date.").arg(table));
    std::vector<QString> spelt;
    for (const QString& name : columns) {
        QString found;
        for (const detail::ColumnInfo& c : t->columns)
            for (const QString& n : {c.name, c.foldColumn})
                if (found.isEmpty() && !n.isEmpty() && n.compare(name, Qt::CaseInsensitive) == 0)
                    found = n;
        if (found.isEmpty())
            throw EngineError(err::UnknownField,
                              QStringLiteral("Câmpul „%1” nu există în tabela „%2”.").arg(name, t->name));
        spelt.push_back(found);
    }
    conn_->bulkInsert(t->name, spelt, rows);
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

std::int64_t Database::ExecuteSql(const QString& sql, const std::vector<Variant>& params)
{
    conn_->ensureOpen();
    Statement st(*conn_, sql);
    st.bind(params);
    st.run();
    return conn_->changes();
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
