// One open store file: recordsets, the windows' DELETE, and what the tools
// and checks need besides.
#pragma once

#include "platform/engine/Recordset.h"
#include "platform/engine/Variant.h"

#include <QString>

#include <memory>
#include <vector>

namespace tarvix {

namespace detail {
struct Connection;
}

// One open file.
class Database {
public:
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // A table name, or a SELECT in the windows' dialect.
    std::unique_ptr<Recordset> OpenRecordset(const QString& source, int type = 0);
    // A DELETE in the windows' dialect.
    void Execute(const QString& statement);
    void Close();
    bool IsOpen() const;

    // For the store's tools only: plain SQLite script (schema), transactions.
    void ExecuteScript(const QString& sql);
    void BeginTransaction();
    void CommitTransaction();
    void RollbackTransaction() noexcept;
    // For the tools: adds rows at once inside the caller's transaction (COPY on a server).
    void BulkInsert(const QString& table, const std::vector<QString>& columns,
                    const std::vector<std::vector<Variant>>& rows);
    // Reads the table list again after the schema changed.
    void ReloadSchema();
    // Table and field names as the file spells them (empty when the table is missing).
    std::vector<QString> TableFields(const QString& table) const;
    bool HasTable(const QString& table) const;
    // One value from a plain SQLite query with no parameters (tools and checks).
    Variant QueryValue(const QString& sql);
    // Every row of a plain SQLite query, with optional parameters ?1, ?2... (tools and checks).
    std::vector<std::vector<Variant>> QueryRows(const QString& sql, const std::vector<Variant>& params = {});
    // The file name given when opening, and the folder it was found in.
    QString FilePath() const;
    // True for a store on a database server (through a link file or a URI).
    bool OnServer() const;

private:
    friend class DBEngine;
    friend class Savepoint;
    explicit Database(std::shared_ptr<detail::Connection> conn);
    std::shared_ptr<detail::Connection> conn_;
};

}  // namespace tarvix
