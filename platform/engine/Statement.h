// Inside the engine: the one way a statement runs. Prepare (from the
// connection's cache), bind, step and check; reset and unbound when it goes.
#pragma once

#include "platform/engine/Variant.h"

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <vector>

struct sqlite3_stmt;

namespace tarvix::detail {

struct Connection;

class Statement {
public:
    Statement(Connection& conn, const QString& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bind(int index, const Variant& value);
    // ?1, ?2... in order.
    void bind(const std::vector<Variant>& values);
    // True with a row to read, false once done; any other outcome raises its engine error.
    bool step();
    // Steps to the end, rows ignored.
    void run();

    int columnCount() const;
    Variant column(int index) const;
    // The pieces of column(), for a reader that keeps texts as UTF-8.
    int columnType(int index) const;
    QByteArrayView columnUtf8(int index) const;
    double columnReal(int index) const;
    std::int64_t columnInt64(int index) const;

private:
    Connection& conn_;
    sqlite3_stmt* st_;
};

}  // namespace tarvix::detail
