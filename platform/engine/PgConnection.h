// Inside the engine: the store on a PostgreSQL server, through libpq.
#pragma once

#include "platform/engine/Connection.h"

typedef struct pg_conn PGconn;
typedef struct pg_result PGresult;

namespace tarvix::detail {

struct PgCloser {
    void operator()(PGconn* conn) const noexcept;
};

class PgConnection final : public Connection {
public:
    // Connects to the database the URI names; CannotOpen naming the server
    // (never the password) when it cannot. path is what FilePath reports.
    PgConnection(const QString& path, const QString& uri, bool readOnly);

    // The live connection; one lost since the last change is made again first.
    PGconn* handle() const;
    // The connection as it is, never made again (for cleaning up).
    PGconn* current() const { return conn_.get(); }
    // Counts the connections made again: a statement of an earlier count is prepared anew.
    int epoch() const { return epoch_; }
    // Raises the engine error for a failed result (cleared here) or a lost connection.
    // Statements go before the connection they were prepared on.
    ~PgConnection() override { clearStatements(); }
    [[noreturn]] void fail(PGresult* result) const;
    // The server's name in messages.
    const QString& server() const { return server_; }
    // Runs one statement; the result when it succeeded, fail() otherwise.
    PGresult* run(const char* sql);
    void noteChanges(std::int64_t rows) { changes_ = rows; }
    int nextStatementNumber() { return ++statements_; }

    bool isOpen() const override { return conn_ != nullptr; }
    void exec(const char* sql) override;
    bool autocommit() const override;
    void begin() override;
    void commit() override;
    void rollback() noexcept override;
    void savepoint(const QByteArray& name, bool outermost) override;
    void release(const QByteArray& name, bool outermost) override;
    void undoSavepoint(const QByteArray& name, bool outermost) noexcept override;
    std::int64_t lastInsertId() override;
    std::int64_t changes() override { return changes_; }
    void loadSchema() override;
    void bulkInsert(const QString& table, const std::vector<QString>& columns,
                    const std::vector<std::vector<Variant>>& rows) override;
    bool onServer() const override { return true; }

protected:
    std::unique_ptr<PreparedStatement> prepareNew(const QString& sql) override;
    void closeStore() noexcept override { conn_.reset(); }

private:
    // A new connection to uri, or CannotOpen naming the server (ConnectionLost when made again).
    PGconn* connect(const QString& uri, bool again = false);
    void setUpSession();
    void revive();
    std::unique_ptr<PGconn, PgCloser> conn_;
    QString server_;
    QString uri_;
    bool readOnly_ = false;
    bool inTransaction_ = false;
    int epoch_ = 0;
    std::int64_t changes_ = 0;
    int statements_ = 0;
};

}  // namespace tarvix::detail
