#include "platform/engine/Transaction.h"

#include "platform/engine/Connection.h"
#include "platform/engine/Database.h"

namespace tarvix {

Transaction::Transaction(Database& db) : db_(db)
{
    db_.BeginTransaction();
}

Transaction::~Transaction()
{
    if (!done_)
        db_.RollbackTransaction();
}

void Transaction::Commit()
{
    db_.CommitTransaction();
    done_ = true;
}

Savepoint::Savepoint(Database& db, const char* name) : Savepoint(*db.conn_, name) {}

Savepoint::Savepoint(detail::Connection& conn, const char* name)
    : conn_(conn), name_(name), outermost_(conn.autocommit())
{
    conn_.savepoint(name_, outermost_);
}

Savepoint::~Savepoint()
{
    if (!done_)
        conn_.undoSavepoint(name_, outermost_);
}

void Savepoint::Release()
{
    conn_.release(name_, outermost_);
    done_ = true;
}

}  // namespace tarvix
