#include "platform/engine/Recordset.h"

#include "platform/engine/Connection.h"
#include "platform/engine/ErrorNumbers.h"
#include "platform/engine/Statement.h"
#include "platform/engine/Transaction.h"
#include "platform/text/TextFunctions.h"

#include <QStringList>

#include <algorithm>
#include <climits>

namespace tarvix {

using detail::Connection;
using detail::QuoteName;
using detail::Statement;

Recordset::Recordset(std::shared_ptr<Connection> conn, Kind kind) : conn_(std::move(conn)), kind_(kind) {}

Recordset::~Recordset() = default;

void Recordset::ensureOpen() const
{
    if (!open_ || !conn_->isOpen())
        throw EngineError(err::ObjectClosed, QStringLiteral("Setul de înregistrări a fost închis."));
}

void Recordset::load(const QString& sql, const std::vector<Variant>& params)
{
    Statement st(*conn_, sql);
    st.bind(params);
    const int first = kind_ == Kind::Query ? 0 : 1;  // table rows carry their rowid first
    const int count = st.columnCount();
    cells_.clear();
    texts_.clear();
    rowids_.clear();
    // Most results are a few dozen rows: one allocation before the first row instead of several.
    cells_.reserve(static_cast<std::size_t>(std::max(count - first, 0)) * 32);
    texts_.reserve(1024);
    while (st.step()) {
        for (int c = first; c < count; ++c)
            cells_.push_back(readCell(st, c));
        if (first)
            rowids_.push_back(st.columnInt64(0));
    }
    loaded_ = true;
    pos_ = 0;
}

Recordset::Cell Recordset::readCell(const Statement& st, int c)
{
    Cell cell;
    switch (st.columnType(c)) {
    case detail::ColumnType::Integer:
        cell.type = Cell::Type::Integer;
        cell.integer = st.columnInt64(c);
        break;
    case detail::ColumnType::Real:
        cell.type = Cell::Type::Real;
        cell.real = st.columnReal(c);
        break;
    case detail::ColumnType::Null: cell.offset = 0; break;
    case detail::ColumnType::Text: {
        const QByteArrayView utf8 = st.columnUtf8(c);
        cell.type = Cell::Type::Text;
        cell.offset = static_cast<std::uint64_t>(texts_.size());
        cell.length = static_cast<std::uint32_t>(utf8.size());
        texts_.append(utf8.data(), static_cast<std::size_t>(utf8.size()));
        break;
    }
    }
    return cell;
}

Variant Recordset::cell(std::size_t row, std::size_t column) const
{
    const Cell& c = cells_[row * names_.size() + column];
    switch (c.type) {
    case Cell::Type::Integer: return Variant(c.integer);
    case Cell::Type::Real: return Variant(c.real);
    case Cell::Type::Text:
        return Variant(QString::fromUtf8(texts_.data() + c.offset, static_cast<qsizetype>(c.length)));
    case Cell::Type::Null: break;
    }
    return Variant();
}

namespace {

QString tableSelect(const detail::TableInfo& t, const QString& where)
{
    QStringList cols{t.rowid};
    for (const detail::ColumnInfo& c : t.columns)
        cols << QuoteName(c.name);
    return QStringLiteral("SELECT ") + cols.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") + QuoteName(t.name)
           + where;
}

}  // namespace

void Recordset::ensureLoaded()
{
    ensureOpen();
    if (!loaded_)
        load(tableSelect(*table_, QStringLiteral(" ORDER BY ") + table_->rowid), {});
}

bool Recordset::Eof() const
{
    const_cast<Recordset*>(this)->ensureLoaded();
    return pos_ >= rowCount();
}

void Recordset::ensureCurrent() const
{
    if (Eof())
        throw EngineError(err::NoCurrentRecord, QStringLiteral("Nu există un rând curent."));
}

void Recordset::MoveFirst()
{
    ensureLoaded();
    pos_ = 0;
}

void Recordset::MoveNext()
{
    ensureCurrent();
    ++pos_;
}

void Recordset::Move(std::int32_t rows)
{
    ensureCurrent();
    const std::int64_t to = static_cast<std::int64_t>(pos_) + rows;
    if (to < 0)
        throw EngineError(err::NoCurrentRecord, QStringLiteral("Nu există un rând curent înaintea primului rând."));
    pos_ = std::min<std::size_t>(static_cast<std::size_t>(to), rowCount());
}

std::int32_t Recordset::AbsolutePosition() const
{
    return Eof() ? -1 : static_cast<std::int32_t>(pos_);
}

std::int32_t Recordset::RecordCount()
{
    ensureOpen();
    if (kind_ == Kind::Table && !loaded_) {
        Statement st(*conn_, QStringLiteral("SELECT count(*) FROM ") + QuoteName(table_->name));
        if (!st.step())
            conn_->failInternal();
        return static_cast<std::int32_t>(std::min<std::int64_t>(st.columnInt64(0), INT32_MAX));
    }
    ensureLoaded();
    return static_cast<std::int32_t>(std::min<std::size_t>(rowCount(), INT32_MAX));
}

int Recordset::column(const QString& name) const
{
    // A loop over the rows asks by the same few names again and again, often not spelt as the file does.
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (names_[i].size() == name.size() && names_[i] == name)
            return static_cast<int>(i);
    if (lastColumn_ >= 0 && lastAsked_ == name)
        return lastColumn_;
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (names_[i].compare(name, Qt::CaseInsensitive) == 0) {
            lastAsked_ = name;
            lastColumn_ = static_cast<int>(i);
            return lastColumn_;
        }
    throw EngineError(err::UnknownField,
                      QStringLiteral("Câmpul „%1” nu face parte din acest set de înregistrări.").arg(name));
}

Field Recordset::Fields(const QString& name) const
{
    ensureOpen();
    const int c = column(name);
    if (pending_ != Pending::None && pendingSet_[static_cast<std::size_t>(c)])
        return {pendingValues_[static_cast<std::size_t>(c)]};
    if (pending_ == Pending::Adding)
        return {Variant()};
    ensureCurrent();
    return {cell(pos_, static_cast<std::size_t>(c))};
}

Recordset::FieldSetter Recordset::Collect(const QString& name)
{
    ensureOpen();
    return FieldSetter(*this, column(name));
}

Recordset::FieldSetter& Recordset::FieldSetter::operator=(const Variant& v)
{
    rs_.ensureOpen();
    if (rs_.pending_ == Pending::None)
        throw EngineError(err::UpdateWithoutEdit,
                          QStringLiteral("Un câmp se poate schimba doar după AddNew sau Edit."));
    if (column_ == rs_.table_->keyColumn)
        throw EngineError(err::FieldNotUpdatable,
                          QStringLiteral("Câmpul „%1” primește valoarea de la baza de date și nu "
                                         "poate fi schimbat.")
                              .arg(rs_.names_[static_cast<std::size_t>(column_)]));
    rs_.pendingValues_[static_cast<std::size_t>(column_)] = v;
    rs_.pendingSet_[static_cast<std::size_t>(column_)] = true;
    return *this;
}

void Recordset::AddNew()
{
    // Adding needs none of the rows: a link added beside a million others reads none of them.
    ensureOpen();
    if (kind_ == Kind::Query)
        throw EngineError(err::ReadOnly, QStringLiteral("Rezultatul unei interogări nu poate fi modificat."));
    pending_ = Pending::Adding;
    pendingValues_.assign(names_.size(), Variant());
    pendingSet_.assign(names_.size(), false);
}

void Recordset::Edit()
{
    ensureCurrent();
    if (kind_ == Kind::Query)
        throw EngineError(err::ReadOnly, QStringLiteral("Rezultatul unei interogări nu poate fi modificat."));
    pending_ = Pending::Editing;
    pendingValues_.clear();
    for (std::size_t c = 0; c < names_.size(); ++c)
        pendingValues_.push_back(cell(pos_, c));
    pendingSet_.assign(names_.size(), false);
}

void Recordset::refreshRow(std::int64_t rowid, std::size_t at)
{
    Statement st(*conn_, tableSelect(*table_, QStringLiteral(" WHERE %1 = ?1").arg(table_->rowid)));
    st.bind(1, Variant(rowid));
    if (!st.step())
        conn_->failInternal();
    if (at == rowCount()) {
        for (int c = 1; c < st.columnCount(); ++c)
            cells_.push_back(readCell(st, c));
        rowids_.push_back(rowid);
    } else {
        for (int c = 1; c < st.columnCount(); ++c)
            cells_[at * names_.size() + static_cast<std::size_t>(c - 1)] = readCell(st, c);
    }
}

void Recordset::Update(int, bool)
{
    ensureOpen();
    if (pending_ == Pending::None)
        throw EngineError(err::UpdateWithoutEdit, QStringLiteral("Update sau CancelUpdate fără AddNew sau Edit."));
    const detail::TableInfo& t = *table_;
    QStringList cols;
    std::vector<Variant> values;
    for (std::size_t c = 0; c < names_.size(); ++c) {
        if (!pendingSet_[c])
            continue;
        cols << QuoteName(t.columns[c].name);
        values.push_back(pendingValues_[c]);
        if (!t.columns[c].foldColumn.isEmpty()) {
            cols << QuoteName(t.columns[c].foldColumn);
            values.push_back(pendingValues_[c].IsNull() ? Variant() : Variant(FoldKey(pendingValues_[c].ToText())));
        }
    }
    if (pending_ == Pending::Adding) {
        QString sql;
        if (cols.isEmpty()) {
            sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(QuoteName(t.name));
        } else {
            QStringList marks;
            for (qsizetype i = 1; i <= cols.size(); ++i)
                marks << QStringLiteral("?%1").arg(i);
            sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(QuoteName(t.name), cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
        }
        // The insert and the check that its key fits in 32 bits stand or fall together.
        conn_->ensureOpen();
        Savepoint add(*conn_, "tarvix_add");
        {
            Statement st(*conn_, sql);
            st.bind(values);
            st.run();
        }
        const std::int64_t rowid = conn_->lastInsertId();
        if (t.keyColumn >= 0 && rowid > INT32_MAX)
            throw EngineError(err::Overflow,
                              QStringLiteral("Depășire: tabela „%1” nu mai are chei libere pe 32 de biți; "
                                             "rândul nu a fost adăugat.")
                                  .arg(t.name));
        add.Release();
        pending_ = Pending::None;
        if (loaded_)
            refreshRow(rowid, rowCount());
    } else {
        const std::int64_t rowid = rowids_[pos_];
        if (!cols.isEmpty()) {
            QStringList sets;
            for (qsizetype i = 0; i < cols.size(); ++i)
                sets << QStringLiteral("%1 = ?%2").arg(cols[i]).arg(i + 1);
            Statement st(*conn_, QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?%4")
                                     .arg(QuoteName(t.name), sets.join(QStringLiteral(", ")), t.rowid)
                                     .arg(cols.size() + 1));
            st.bind(values);
            st.bind(static_cast<int>(values.size() + 1), Variant(rowid));
            st.run();
        }
        if (cols.isEmpty() || conn_->changes() == 0) {
            Statement st(*conn_, QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ?1").arg(QuoteName(t.name), t.rowid));
            st.bind(1, Variant(rowid));
            if (!st.step())
                throw EngineError(err::RowDeleted,
                                  QStringLiteral("Rândul a fost șters între timp de altă copie a programului."));
        }
        pending_ = Pending::None;
        refreshRow(rowid, pos_);
    }
}

void Recordset::CancelUpdate(int)
{
    ensureOpen();
    if (pending_ == Pending::None)
        throw EngineError(err::UpdateWithoutEdit, QStringLiteral("Update sau CancelUpdate fără AddNew sau Edit."));
    pending_ = Pending::None;
}

void Recordset::Close()
{
    ensureOpen();
    open_ = false;
    pending_ = Pending::None;
    cells_.clear();
    cells_.shrink_to_fit();
    texts_.clear();
    texts_.shrink_to_fit();
    rowids_.clear();
}

}  // namespace tarvix
