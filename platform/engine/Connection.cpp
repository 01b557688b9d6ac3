#include "platform/engine/Connection.h"

#include "platform/engine/ErrorNumbers.h"
#include "platform/engine/Statement.h"

#include <QStringList>

#include <QFileInfo>

namespace tarvix::detail {

Connection::~Connection() = default;

void Connection::ensureOpen() const
{
    if (!isOpen())
        throw EngineError(err::ObjectClosed, QStringLiteral("Conexiunea la baza de date a fost închisă."));
}

void Connection::close()
{
    clearStatements();
    closeStore();
}

QString Connection::fileName() const
{
    return QFileInfo(path).fileName();
}

void Connection::failInternal() const
{
    throw EngineError(err::EngineFailure,
                      QStringLiteral("Eroare a bazei de date: un rând citit chiar acum nu mai poate fi găsit."));
}

void Connection::bulkInsert(const QString& table, const std::vector<QString>& columns,
                            const std::vector<std::vector<Variant>>& rows)
{
    QStringList names, marks;
    for (const QString& c : columns) {
        names << QuoteName(c);
        marks << QStringLiteral("?%1").arg(marks.size() + 1);
    }
    const QString sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(QuoteName(table), names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
    for (const auto& row : rows) {
        Statement st(*this, sql);
        st.bind(row);
        st.run();
    }
}

TableInfo Connection::describeTable(const QString& name, const std::vector<RawColumn>& raw)
{
    TableInfo t;
    t.name = name;
    // A column Xxx_Fold holds the fold key of column Xxx and is not shown as a field.
    auto isFoldOf = [&](const RawColumn& c) -> QString {
        if (!c.name.endsWith(QLatin1String("_Fold"), Qt::CaseInsensitive))
            return {};
        const QString base = c.name.left(c.name.size() - 5);
        for (const RawColumn& other : raw)
            if (other.name.compare(base, Qt::CaseInsensitive) == 0)
                return other.name;
        return {};
    };
    for (const RawColumn& c : raw) {
        if (c.rowid)
            t.rowid = QuoteName(c.name);
        else if (isFoldOf(c).isEmpty()) {
            if (c.key)
                t.keyColumn = static_cast<int>(t.columns.size());
            t.columns.push_back({c.name, {}});
        }
    }
    for (const RawColumn& c : raw) {
        const QString base = isFoldOf(c);
        if (!base.isEmpty() && !c.rowid)
            t.columns[static_cast<std::size_t>(t.find(base))].foldColumn = c.name;
    }
    return t;
}

Connection::Slot& Connection::slot(const QString& sql)
{
    if (lastSlot_ && sql.constData() == lastSql_.constData() && sql.size() == lastSql_.size())
        return *lastSlot_;
    lastSlot_ = &cache_[sql];
    lastSql_ = sql;
    return *lastSlot_;
}

std::unique_ptr<PreparedStatement> Connection::take(Slot& slot, const QString& sql)
{
    if (slot.statement)
        return std::move(slot.statement);
    ensureOpen();
    return prepareNew(sql);
}

void Connection::clearStatements()
{
    lastSlot_ = nullptr;
    lastSql_.clear();
    cache_.clear();
    ++generation_;
}

}  // namespace tarvix::detail
