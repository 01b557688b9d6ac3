#include "platform/engine/PgConnection.h"

#include "platform/engine/DBEngine.h"
#include "platform/engine/ErrorNumbers.h"
#include "platform/engine/PgStatement.h"
#include "platform/engine/ServerLink.h"
#include "platform/engine/Statement.h"

#include <QStringList>

#include <libpq-fe.h>

#include <map>
#include <optional>

namespace tarvix::detail {

namespace {

// Passwords the user typed, by URI: kept for this run only, never written anywhere.
std::map<QString, QByteArray>& typedPasswords()
{
    static std::map<QString, QByteArray> passwords;
    return passwords;
}

PGconn* connectOnce(const QByteArray& uri, const std::optional<QByteArray>& password)
{
    std::vector<const char*> keys{"dbname", "client_encoding", "application_name", "connect_timeout"};
    std::vector<const char*> values{uri.constData(), "UTF8", "tarvix", "10"};
    if (password) {
        keys.push_back("password");
        values.push_back(password->constData());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    return PQconnectdbParams(keys.data(), values.data(), 1);
}

// libpq's own words on a connection, first line only: the rest is advice for
// a programmer, indented for a terminal.
QString errorOf(const PGconn* conn)
{
    return QString::fromUtf8(PQerrorMessage(conn)).trimmed().section(QLatin1Char('\n'), 0, 0).simplified();
}

}  // namespace

void PgCloser::operator()(PGconn* conn) const noexcept
{
    PQfinish(conn);
}

PgConnection::PgConnection(const QString& linkPath, const QString& uri, bool readOnly)
    : server_(ServerLink(uri).Describe()), uri_(uri), readOnly_(readOnly)
{
    path = linkPath;
    conn_.reset(connect(uri));
    // Another encoding loses ș and ț (or counts bytes as letters); the server says which at once.
    const QString encoding = QString::fromUtf8(PQparameterStatus(conn_.get(), "server_encoding"));
    if (encoding != QLatin1String("UTF8"))
        throw EngineError(err::CannotOpen,
                          QStringLiteral("Baza de date %1 ține textele în codificarea %2, nu în UTF8: literele "
                                         "românești nu ar fi păstrate sau numărate corect. Tarvix lucrează doar cu o "
                                         "bază de date UTF8 (de exemplu „createdb --encoding=UTF8 "
                                         "--template=template0 NUME”).")
                              .arg(server_, encoding));
    setUpSession();
}

// A connection lost between two changes is made again at the next one, so a
// server restarted or a network come back needs no new start of the program.
// Never inside a transaction: what it had done is gone with the old session.
void PgConnection::revive()
{
    std::unique_ptr<PGconn, PgCloser> fresh(connect(uri_, true));
    clearStatements();
    conn_ = std::move(fresh);
    ++epoch_;
    setUpSession();
}

void PgConnection::setUpSession()
{
    exec("SET client_min_messages = warning");
    // A row another computer holds is waited for as long as a file's lock, then reported as busy.
    exec(QByteArray("SET lock_timeout = " + QByteArray::number(DBEngine::BusyTimeoutMs)).constData());
    if (readOnly_)
        exec("SET default_transaction_read_only = on");
}

PGconn* PgConnection::connect(const QString& uri, bool again)
{
    const QByteArray utf8 = uri.toUtf8();
    auto& known = typedPasswords();
    std::optional<QByteArray> password;
    if (auto it = known.find(uri); it != known.end())
        password = it->second;
    std::unique_ptr<PGconn, PgCloser> conn(connectOnce(utf8, password));
    // Neither ~/.pgpass, PGPASSFILE nor a service file had one: the program asks, if it can.
    if (PQstatus(conn.get()) != CONNECTION_OK && PQconnectionNeedsPassword(conn.get()) && DBEngine::OnPassword) {
        if (const std::optional<QString> typed = DBEngine::OnPassword(server_)) {
            password = typed->toUtf8();
            conn.reset(connectOnce(utf8, password));
        }
    }
    if (PQstatus(conn.get()) == CONNECTION_OK) {
        if (password)
            known[uri] = *password;
        return conn.release();
    }
    const bool needsPassword = PQconnectionNeedsPassword(conn.get());
    const QString detail = errorOf(conn.get());
    known.erase(uri);
    if (again)
        throw EngineError(err::ConnectionLost,
                          QStringLiteral("Legătura cu baza de date %1 s-a pierdut și încă nu a putut fi refăcută (%2); "
                                         "ce nu fusese salvat nu a fost scris. Încercați din nou peste câteva clipe.")
                              .arg(server_, needsPassword ? QStringLiteral("serverul cere o parolă") : detail));
    if (needsPassword)
        throw EngineError(
            err::CannotOpen,
            QStringLiteral("Baza de date %1 nu poate fi deschisă: serverul cere o parolă și nu a primit-o. "
                           "Puneți-o în ~/.pgpass sau scrieți-o când programul o cere.")
                .arg(server_));
    throw EngineError(err::CannotOpen,
                      QStringLiteral("Baza de date %1 nu poate fi deschisă (%2).").arg(server_, detail));
}

PGconn* PgConnection::handle() const
{
    ensureOpen();
    // Between two changes, what the server said meanwhile is read first: a server
    // restarted since has closed the connection, and a new one is made before
    // anything is sent, rather than the user's next action failing.
    if (!inTransaction_) {
        PGconn* c = conn_.get();
        // Two reads: a server that closed sent its last words, then the end of the connection.
        if (PQtransactionStatus(c) == PQTRANS_IDLE && PQconsumeInput(c))
            PQconsumeInput(c);
        if (PQstatus(c) == CONNECTION_BAD)
            const_cast<PgConnection*>(this)->revive();
    }
    return conn_.get();
}

void PgConnection::fail(PGresult* result) const
{
    const QByteArray state = result ? QByteArray(PQresultErrorField(result, PG_DIAG_SQLSTATE)) : QByteArray();
    QString detail = result ? QString::fromUtf8(PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY)) : QString();
    PQclear(result);
    if (conn_ && PQstatus(conn_.get()) == CONNECTION_BAD)
        RaiseServerError("08006", errorOf(conn_.get()), server_);
    if (detail.isEmpty() && conn_)
        detail = errorOf(conn_.get());
    RaiseServerError(state.constData(), detail, server_);
}

PGresult* PgConnection::run(const char* sql)
{
    PGresult* r = PQexec(handle(), sql);
    const ExecStatusType status = PQresultStatus(r);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        fail(r);
    return r;
}

void PgConnection::exec(const char* sql)
{
    PQclear(run(sql));
}

bool PgConnection::autocommit() const
{
    return PQtransactionStatus(handle()) == PQTRANS_IDLE;
}

void PgConnection::begin()
{
    exec("BEGIN");
    inTransaction_ = true;
}

void PgConnection::commit()
{
    exec("COMMIT");
    inTransaction_ = false;
}

void PgConnection::rollback() noexcept
{
    inTransaction_ = false;
    if (conn_ && PQtransactionStatus(conn_.get()) != PQTRANS_IDLE)
        PQclear(PQexec(conn_.get(), "ROLLBACK"));
}

// The server allows savepoints only inside a transaction: the outermost one is the transaction.
void PgConnection::savepoint(const QByteArray& name, bool outermost)
{
    if (outermost)
        begin();
    else
        exec(QByteArray("SAVEPOINT " + name).constData());
}

void PgConnection::release(const QByteArray& name, bool outermost)
{
    if (outermost)
        commit();
    else
        exec(QByteArray("RELEASE SAVEPOINT " + name).constData());
}

void PgConnection::undoSavepoint(const QByteArray& name, bool outermost) noexcept
{
    if (outermost)
        inTransaction_ = false;
    if (!conn_ || PQtransactionStatus(conn_.get()) == PQTRANS_IDLE)
        return;
    const QByteArray undo =
        outermost ? QByteArray("ROLLBACK") : "ROLLBACK TO SAVEPOINT " + name + "; RELEASE SAVEPOINT " + name;
    PQclear(PQexec(conn_.get(), undo.constData()));
}

std::int64_t PgConnection::lastInsertId()
{
    PGresult* r = run("SELECT lastval()");
    const std::int64_t id = std::strtoll(PQgetvalue(r, 0, 0), nullptr, 10);
    PQclear(r);
    return id;
}

namespace {

// One value in COPY's text form.
void appendCopyValue(QByteArray& out, const Variant& v)
{
    if (v.IsNull()) {
        out += "\\N";
        return;
    }
    const QByteArray utf8 = v.IsText() ? v.ToText().toUtf8() : QByteArray::number(v.ToInt64());
    for (const char c : utf8) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
}

}  // namespace

void PgConnection::bulkInsert(const QString& table, const std::vector<QString>& columns,
                              const std::vector<std::vector<Variant>>& rows)
{
    QStringList names;
    for (const QString& c : columns)
        names << QuoteName(c);
    PGresult* start = PQexec(handle(), QStringLiteral("COPY %1 (%2) FROM STDIN")
                                           .arg(QuoteName(table), names.join(QStringLiteral(", ")))
                                           .toUtf8()
                                           .constData());
    if (PQresultStatus(start) != PGRES_COPY_IN)
        fail(start);
    PQclear(start);
    QByteArray chunk;
    auto send = [&] {
        if (PQputCopyData(handle(), chunk.constData(), static_cast<int>(chunk.size())) != 1)
            fail(nullptr);
        chunk.clear();
    };
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c)
                chunk += '\t';
            appendCopyValue(chunk, row[c]);
        }
        chunk += '\n';
        if (chunk.size() > (1 << 20))
            send();
    }
    send();
    if (PQputCopyEnd(handle(), nullptr) != 1)
        fail(nullptr);
    PGresult* r = PQgetResult(handle());
    // The connection takes the next statement only once every result of the COPY is read.
    for (PGresult* more = PQgetResult(handle()); more; more = PQgetResult(handle()))
        PQclear(more);
    if (PQresultStatus(r) != PGRES_COMMAND_OK)
        fail(r);
    PQclear(r);
}

std::unique_ptr<PreparedStatement> PgConnection::prepareNew(const QString& sql)
{
    return std::make_unique<PgStatement>(*this, sql);
}

void PgConnection::loadSchema()
{
    // Each table's columns in order, with whether the column is the table's lone key given by the server.
    PGresult* r = run("SELECT c.relname, a.attname, a.attidentity <> '' AND i.indkey IS NOT NULL "
                      "AND array_length(i.indkey::int2[], 1) = 1 AND a.attnum = i.indkey[0] "
                      "FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
                      "JOIN pg_attribute a ON a.attrelid = c.oid "
                      "LEFT JOIN pg_index i ON i.indrelid = c.oid AND i.indisprimary "
                      "WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'p') AND a.attnum > 0 "
                      "AND NOT a.attisdropped ORDER BY c.relname, a.attnum");
    Schema fresh;
    QString table;
    std::vector<RawColumn> raw;
    auto flush = [&] {
        if (!table.isEmpty())
            fresh.tables.push_back(describeTable(table, raw));
        raw.clear();
    };
    for (int row = 0; row < PQntuples(r); ++row) {
        const QString name = QString::fromUtf8(PQgetvalue(r, row, 0));
        if (name != table) {
            flush();
            table = name;
        }
        const QString column = QString::fromUtf8(PQgetvalue(r, row, 1));
        const bool key = *PQgetvalue(r, row, 2) == 't';
        // A table without a key of its own carries a hidden identity column "rowid".
        raw.push_back({column, key, column == QLatin1String("rowid")});
    }
    flush();
    PQclear(r);
    for (TableInfo& t : fresh.tables)
        if (t.keyColumn >= 0)
            t.rowid = QuoteName(t.columns[static_cast<std::size_t>(t.keyColumn)].name);
    schema = std::move(fresh);
}

}  // namespace tarvix::detail
