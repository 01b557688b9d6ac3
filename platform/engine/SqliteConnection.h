// Inside the engine: the store in an SQLite file.
#pragma once

#include "platform/engine/Connection.h"

struct sqlite3;
struct sqlite3_stmt;

namespace tarvix::detail {

struct SqliteCloser {
    void operator()(sqlite3* db) const noexcept;
};

class SqliteConnection final : public Connection {
public:
    // Opens the file named by the bytes name with sqlite3_open_v2's flags;
    // path is how messages name it. Raises the file's engine error.
    SqliteConnection(const QString& path, const QByteArray& name, int flags);

    sqlite3* handle() const;
    // Statements go before the connection they were prepared on.
    ~SqliteConnection() override { clearStatements(); }
    [[noreturn]] void fail(int rc) const;

    bool isOpen() const override { return db_ != nullptr; }
    void exec(const char* sql) override;
    bool autocommit() const override;
    void begin() override;
    void commit() override;
    void rollback() noexcept override;
    void savepoint(const QByteArray& name, bool outermost) override;
    void release(const QByteArray& name, bool outermost) override;
    void undoSavepoint(const QByteArray& name, bool outermost) noexcept override;
    std::int64_t lastInsertId() override;
    std::int64_t changes() override;
    void loadSchema() override;
    bool onServer() const override { return false; }
    // True when SQLite opened the file for reading only.
    bool readOnly() const;

protected:
    std::unique_ptr<PreparedStatement> prepareNew(const QString& sql) override;
    void closeStore() noexcept override { db_.reset(); }

private:
    std::unique_ptr<sqlite3, SqliteCloser> db_;
};

}  // namespace tarvix::detail
