#include "platform/engine/PgStatement.h"

#include "platform/engine/PgConnection.h"

#include <libpq-fe.h>

namespace tarvix::detail {

namespace {

// Type numbers from the server's catalogue (pg_type.oid), fixed since long ago.
ColumnType typeOf(Oid oid)
{
    switch (oid) {
    case 16:  // bool
    case 20:  // int8
    case 21:  // int2
    case 23:  // int4
    case 26:  // oid
        return ColumnType::Integer;
    case 700:   // float4
    case 701:   // float8
    case 1700:  // numeric
        return ColumnType::Real;
    default: return ColumnType::Text;
    }
}

}  // namespace

QByteArray PgStatement::ServerText(const QString& sql)
{
    QString out;
    QChar quote;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'?' && i + 1 < sql.size() && sql[i + 1].isDigit()) {
            out += QLatin1Char('$');
            continue;
        }
        out += c;
    }
    return out.toUtf8();
}

PgStatement::PgStatement(PgConnection& conn, const QString& sql)
    : conn_(conn), name_("tarvix_" + QByteArray::number(conn.nextStatementNumber())), text_(ServerText(sql))
{
    prepare();
    values_.resize(static_cast<std::size_t>(paramCount_));
    isNull_.assign(static_cast<std::size_t>(paramCount_), true);
}

void PgStatement::prepare()
{
    PGconn* c = conn_.handle();
    epoch_ = conn_.epoch();
    types_.clear();
    PGresult* r = PQprepare(c, name_.constData(), text_.constData(), 0, nullptr);
    if (PQresultStatus(r) != PGRES_COMMAND_OK)
        conn_.fail(r);
    PQclear(r);
    r = PQdescribePrepared(c, name_.constData());
    if (PQresultStatus(r) != PGRES_COMMAND_OK)
        conn_.fail(r);
    paramCount_ = PQnparams(r);
    for (int i = 0; i < PQnfields(r); ++i)
        types_.push_back(typeOf(PQftype(r, i)));
    PQclear(r);
}

PgStatement::~PgStatement()
{
    PQclear(result_);
    // The server forgets the statement; a session closed, lost or made again forgot it already.
    PGconn* c = conn_.current();
    if (c && epoch_ == conn_.epoch() && PQstatus(c) == CONNECTION_OK && PQtransactionStatus(c) == PQTRANS_IDLE)
        PQclear(PQexec(c, ("DEALLOCATE " + name_).constData()));
}

void PgStatement::reset() noexcept
{
    PQclear(result_);
    result_ = nullptr;
    row_ = -1;
    rows_ = 0;
    isNull_.assign(isNull_.size(), true);
}

void PgStatement::bind(int index, const Variant& value)
{
    if (index < 1 || index > paramCount_)
        return;
    const auto at = static_cast<std::size_t>(index - 1);
    isNull_[at] = value.IsNull();
    // A real in full: 17 digits give back the very double.
    if (value.IsText())
        values_[at] = value.ToText().toUtf8();
    else if (value.IsReal())
        values_[at] = QByteArray::number(value.ToDouble(), 'g', 17);
    else if (!value.IsNull())
        values_[at] = QByteArray::number(value.ToInt64());
}

void PgStatement::execute()
{
    std::vector<const char*> values(static_cast<std::size_t>(paramCount_));
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = isNull_[i] ? nullptr : values_[i].constData();
    // The connection is looked at once: made again there, the statement is prepared on the new one.
    conn_.handle();
    if (epoch_ != conn_.epoch())
        prepare();
    result_ = PQexecPrepared(conn_.current(), name_.constData(), paramCount_, values.data(), nullptr, nullptr, 0);
    const ExecStatusType status = PQresultStatus(result_);
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
        PGresult* failed = result_;
        result_ = nullptr;
        conn_.fail(failed);
    }
    rows_ = PQntuples(result_);
    const char* touched = PQcmdTuples(result_);
    if (touched && *touched)
        conn_.noteChanges(QByteArray(touched).toLongLong());
}

bool PgStatement::step()
{
    if (!result_)
        execute();
    if (row_ < rows_)
        ++row_;
    return row_ < rows_;
}

int PgStatement::columnCount() const
{
    return static_cast<int>(types_.size());
}

ColumnType PgStatement::columnType(int index) const
{
    if (PQgetisnull(result_, row_, index))
        return ColumnType::Null;
    return types_[static_cast<std::size_t>(index)];
}

QByteArrayView PgStatement::columnUtf8(int index) const
{
    return QByteArrayView(PQgetvalue(result_, row_, index), PQgetlength(result_, row_, index));
}

double PgStatement::columnReal(int index) const
{
    return QByteArray(PQgetvalue(result_, row_, index)).toDouble();
}

std::int64_t PgStatement::columnInt64(int index) const
{
    const char* v = PQgetvalue(result_, row_, index);
    if (*v == 't')
        return 1;
    if (*v == 'f')
        return 0;
    return std::strtoll(v, nullptr, 10);
}

}  // namespace tarvix::detail
