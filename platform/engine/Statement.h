// Inside the engine: the one way a statement runs. Prepare (from the
// connection's cache), bind, step and check; reset, unbound and back in the
// cache when it goes. It owns its prepared statement while it lives: a second
// Statement of the same text meanwhile gets one of its own.
#pragma once

#include "platform/engine/Connection.h"
#include "platform/engine/Variant.h"

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <vector>

namespace tarvix::detail {

class Statement {
public:
    Statement(Connection& conn, const QString& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bind(int index, const Variant& value) { st_.bind(index, value); }
    // ?1, ?2... in order.
    void bind(const std::vector<Variant>& values);
    // True with a row to read, false once done; any other outcome raises its engine error.
    bool step() { return st_.step(); }
    // Steps to the end, rows ignored.
    void run();

    int columnCount() const { return st_.columnCount(); }
    Variant column(int index) const;
    // The pieces of column(), for a reader that keeps texts as UTF-8.
    ColumnType columnType(int index) const { return st_.columnType(index); }
    QByteArrayView columnUtf8(int index) const { return st_.columnUtf8(index); }
    double columnReal(int index) const { return st_.columnReal(index); }
    std::int64_t columnInt64(int index) const { return st_.columnInt64(index); }

private:
    Connection& conn_;
    Connection::Slot& home_;
    std::uint64_t generation_;
    std::unique_ptr<PreparedStatement> owned_;
    PreparedStatement& st_;
};

}  // namespace tarvix::detail
