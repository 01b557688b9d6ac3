#include "platform/engine/Transaction.h"

#include "platform/engine/Connection.h"
#include "platform/engine/Database.h"

#include <sqlite3.h>

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
    conn_.exec(QByteArray("SAVEPOINT " + name_).constData());
}

Savepoint::~Savepoint()
{
    if (done_ || !conn_.db)
        return;
    // A commit refused past the busy timeout leaves the transaction open: end it, or it holds the lock.
    const QByteArray undo = outermost_ ? QByteArray("ROLLBACK") : "ROLLBACK TO " + name_ + "; RELEASE " + name_;
    sqlite3_exec(conn_.db.get(), undo.constData(), nullptr, nullptr, nullptr);
}

void Savepoint::Release()
{
    conn_.exec(QByteArray("RELEASE " + name_).constData());
    done_ = true;
}

}  // namespace tarvix
