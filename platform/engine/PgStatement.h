// Inside the engine: one statement prepared on a PostgreSQL server.
#pragma once

#include "platform/engine/Connection.h"

#include <vector>

typedef struct pg_result PGresult;

namespace tarvix::detail {

class PgConnection;

class PgStatement final : public PreparedStatement {
public:
    // Prepares sql on the server, its ?1, ?2... as $1, $2...
    PgStatement(PgConnection& conn, const QString& sql);
    ~PgStatement() override;
    PgStatement(const PgStatement&) = delete;
    PgStatement& operator=(const PgStatement&) = delete;

    void bind(int index, const Variant& value) override;
    bool step() override;
    void reset() noexcept override;
    int columnCount() const override;
    ColumnType columnType(int index) const override;
    QByteArrayView columnUtf8(int index) const override;
    double columnReal(int index) const override;
    std::int64_t columnInt64(int index) const override;

    // The statement with SQLite's numbered marks written as the server's.
    static QByteArray ServerText(const QString& sql);

private:
    // On the server, anew after the connection was made again.
    void prepare();
    void execute();
    PgConnection& conn_;
    QByteArray name_;
    QByteArray text_;
    int epoch_ = 0;
    int paramCount_ = 0;
    std::vector<QByteArray> values_;
    std::vector<bool> isNull_;
    std::vector<ColumnType> types_;
    PGresult* result_ = nullptr;
    int row_ = -1;
    int rows_ = 0;
};

}  // namespace tarvix::detail
