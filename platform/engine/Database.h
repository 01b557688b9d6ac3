// One open store file: recordsets, the windows' DELETE, and what the tools
// and checks need besides.
#pragma once

#include "platform/engine/Recordset.h"
#include "platform/engine/Variant.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace tarvix {

namespace detail {
struct Connection;
}

// One open store. Two groups of calls: the windows' dialect, the statements
// as the windows write them; and the backend's own SQL for the tools and
// checks, with ?1, ?2... bound, never pasted.
class Database {
public:
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // ---- The windows' dialect ----
    // A table name, or a SELECT in the windows' dialect.
    std::unique_ptr<Recordset> OpenRecordset(const QString& source, int type = 0);
    // A DELETE in the windows' dialect.
    void Execute(const QString& statement);
    void Close();
    bool IsOpen() const;

    // ---- Raw SQL for the tools and checks ----
    // A change (INSERT, UPDATE, DELETE) with parameters ?1, ?2...; the number of rows it changed.
    std::int64_t ExecuteSql(const QString& sql, const std::vector<Variant>& params = {});
    // One value from a query with no parameters (null when it gives no row).
    Variant QueryValue(const QString& sql);
    // Every row of a query, with parameters ?1, ?2...
    std::vector<std::vector<Variant>> QueryRows(const QString& sql, const std::vector<Variant>& params = {});
    // Statements with no parameters and no rows, one after the other (a schema).
    void ExecuteScript(const QString& sql);
    void BeginTransaction();
    void CommitTransaction();
    void RollbackTransaction() noexcept;
    // Adds rows at once inside the caller's transaction (COPY on a server).
    void BulkInsert(const QString& table, const std::vector<QString>& columns,
                    const std::vector<std::vector<Variant>>& rows);
    // Reads the table list again after the schema changed.
    void ReloadSchema();
    // Table and field names as the store spells them (empty when the table is missing).
    std::vector<QString> TableFields(const QString& table) const;
    bool HasTable(const QString& table) const;
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
