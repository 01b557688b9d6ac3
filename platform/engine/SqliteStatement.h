// Inside the engine: one statement prepared on an SQLite file.
#pragma once

#include "platform/engine/Connection.h"

struct sqlite3_stmt;

namespace tarvix::detail {

class SqliteConnection;

class SqliteStatement final : public PreparedStatement {
public:
    // Takes st over; it is finalized with this object.
    SqliteStatement(SqliteConnection& conn, sqlite3_stmt* st) : conn_(conn), st_(st) {}
    ~SqliteStatement() override;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    void bind(int index, const Variant& value) override;
    bool step() override;
    void reset() noexcept override;
    int columnCount() const override;
    ColumnType columnType(int index) const override;
    QByteArrayView columnUtf8(int index) const override;
    double columnReal(int index) const override;
    std::int64_t columnInt64(int index) const override;

private:
    SqliteConnection& conn_;
    sqlite3_stmt* st_;
};

}  // namespace tarvix::detail
