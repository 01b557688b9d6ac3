#include "platform/engine/SqliteStatement.h"

#include "platform/engine/SqliteConnection.h"

#include <sqlite3.h>

namespace tarvix::detail {

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(st_);
}

void SqliteStatement::reset() noexcept
{
    sqlite3_reset(st_);
    sqlite3_clear_bindings(st_);
}

void SqliteStatement::bind(int index, const Variant& value)
{
    int rc = SQLITE_OK;
    if (value.IsNull()) {
        rc = sqlite3_bind_null(st_, index);
    } else if (value.IsText()) {
        const QByteArray utf8 = value.ToText().toUtf8();
        rc = sqlite3_bind_text64(st_, index, utf8.constData(), static_cast<sqlite3_uint64>(utf8.size()),
                                 SQLITE_TRANSIENT, SQLITE_UTF8);
    } else if (value.IsReal()) {
        rc = sqlite3_bind_double(st_, index, value.ToDouble());
    } else {
        rc = sqlite3_bind_int64(st_, index, value.ToInt64());
    }
    if (rc != SQLITE_OK)
        conn_.fail(rc);
}

bool SqliteStatement::step()
{
    const int rc = sqlite3_step(st_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    conn_.fail(rc);
}

int SqliteStatement::columnCount() const
{
    return sqlite3_column_count(st_);
}

ColumnType SqliteStatement::columnType(int index) const
{
    switch (sqlite3_column_type(st_, index)) {
    case SQLITE_INTEGER: return ColumnType::Integer;
    case SQLITE_FLOAT: return ColumnType::Real;
    case SQLITE_NULL: return ColumnType::Null;
    default: return ColumnType::Text;
    }
}

QByteArrayView SqliteStatement::columnUtf8(int index) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st_, index));
    return QByteArrayView(text, sqlite3_column_bytes(st_, index));
}

double SqliteStatement::columnReal(int index) const
{
    return sqlite3_column_double(st_, index);
}

std::int64_t SqliteStatement::columnInt64(int index) const
{
    return sqlite3_column_int64(st_, index);
}

}  // namespace tarvix::detail
