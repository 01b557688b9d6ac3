// Transactions that undo themselves: an early return or a throw leaves the
// file as it was.
#pragma once

#include <QByteArray>

namespace tarvix {

class Database;
namespace detail {
struct Connection;
}

// BEGIN IMMEDIATE now; rolled back unless committed.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

private:
    Database& db_;
    bool done_ = false;
};

// A named savepoint, inside the caller's transaction or as one of its own;
// undone unless released.
class Savepoint {
public:
    Savepoint(Database& db, const char* name);
    Savepoint(detail::Connection& conn, const char* name);
    ~Savepoint();
    Savepoint(const Savepoint&) = delete;
    Savepoint& operator=(const Savepoint&) = delete;
    void Release();

private:
    detail::Connection& conn_;
    QByteArray name_;
    bool outermost_;
    bool done_ = false;
};

}  // namespace tarvix
