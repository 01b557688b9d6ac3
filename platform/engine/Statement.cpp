#include "platform/engine/Statement.h"

#include "platform/engine/Connection.h"

#include <sqlite3.h>

namespace tarvix::detail {

Statement::Statement(Connection& conn, const QString& sql) : conn_(conn), st_(conn.prepare(sql)) {}

Statement::~Statement()
{
    // The statement stays in the cache: leave it ready for the next use.
    sqlite3_reset(st_);
    sqlite3_clear_bindings(st_);
}

void Statement::bind(int index, const Variant& value)
{
    int rc = SQLITE_OK;
    if (value.IsNull()) {
        rc = sqlite3_bind_null(st_, index);
    } else if (value.IsText()) {
        const QByteArray utf8 = value.ToText().toUtf8();
        rc = sqlite3_bind_text64(st_, index, utf8.constData(), static_cast<sqlite3_uint64>(utf8.size()),
                                 SQLITE_TRANSIENT, SQLITE_UTF8);
    } else {
        rc = sqlite3_bind_int64(st_, index, value.ToInt64());
    }
    if (rc != SQLITE_OK)
        conn_.fail(rc);
}

void Statement::bind(const std::vector<Variant>& values)
{
    for (std::size_t i = 0; i < values.size(); ++i)
        bind(static_cast<int>(i + 1), values[i]);
}

bool Statement::step()
{
    const int rc = sqlite3_step(st_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    conn_.fail(rc);
}

void Statement::run()
{
    while (step()) {
    }
}

int Statement::columnCount() const
{
    return sqlite3_column_count(st_);
}

Variant Statement::column(int index) const
{
    switch (sqlite3_column_type(st_, index)) {
    case SQLITE_INTEGER: return Variant(static_cast<std::int64_t>(sqlite3_column_int64(st_, index)));
    case SQLITE_FLOAT: return Variant(sqlite3_column_double(st_, index));
    case SQLITE_NULL: return Variant();
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st_, index));
        return Variant(QString::fromUtf8(text, sqlite3_column_bytes(st_, index)));
    }
    }
}

int Statement::columnType(int index) const
{
    return sqlite3_column_type(st_, index);
}

QByteArrayView Statement::columnUtf8(int index) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st_, index));
    return QByteArrayView(text, sqlite3_column_bytes(st_, index));
}

double Statement::columnReal(int index) const
{
    return sqlite3_column_double(st_, index);
}

std::int64_t Statement::columnInt64(int index) const
{
    return sqlite3_column_int64(st_, index);
}

}  // namespace tarvix::detail
