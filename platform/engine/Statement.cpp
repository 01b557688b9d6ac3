#include "platform/engine/Statement.h"

namespace tarvix::detail {

Statement::Statement(Connection& conn, const QString& sql)
    : conn_(conn), home_(conn.slot(sql)), generation_(conn.generation()), owned_(conn.take(home_, sql)), st_(*owned_)
{
}

Statement::~Statement()
{
    // Ready for the next use; kept only while its slot is there and empty (the connection not cleared, no
    // other Statement of this text back first).
    st_.reset();
    if (conn_.generation() == generation_ && !home_.statement)
        home_.statement = std::move(owned_);
}

void Statement::bind(const std::vector<Variant>& values)
{
    for (std::size_t i = 0; i < values.size(); ++i)
        bind(static_cast<int>(i + 1), values[i]);
}

void Statement::run()
{
    while (step()) {
    }
}

Variant Statement::column(int index) const
{
    switch (columnType(index)) {
    case ColumnType::Integer: return Variant(columnInt64(index));
    case ColumnType::Real: return Variant(columnReal(index));
    case ColumnType::Null: return Variant();
    case ColumnType::Text: break;
    }
    const QByteArrayView utf8 = columnUtf8(index);
    return Variant(QString::fromUtf8(utf8.data(), utf8.size()));
}

}  // namespace tarvix::detail
