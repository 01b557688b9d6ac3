// Rows of a table or a query, read and changed the way the windows do it.
#pragma once

#include "platform/engine/Variant.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarvix {

// Recordset kinds, with the old engine's numbers.
inline constexpr int dbOpenTable = 1;
inline constexpr int dbOpenDynaset = 2;
inline constexpr int dbUpdateRegular = 1;

namespace detail {
struct Connection;
struct TableInfo;
class Statement;
}  // namespace detail

// Rows of a table or a query. A table's rows are read at the first look at
// them, in key order, so two dynasets over an unchanged table list the same
// rows in the same order; adding a row reads none of them.
class Recordset {
public:
    // Collect(name) = value: sets a field of the pending row.
    class FieldSetter {
    public:
        FieldSetter& operator=(const Variant& v);

    private:
        friend class Recordset;
        FieldSetter(Recordset& rs, int column) : rs_(rs), column_(column) {}
        Recordset& rs_;
        int column_;
    };

    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // EOF is a C macro, hence the spelling.
    bool Eof() const;
    void MoveFirst();
    void MoveNext();
    void Move(std::int32_t rows);
    std::int32_t AbsolutePosition() const;
    // Table-type: the number of rows; dynaset and query: 0 when empty, else the rows read.
    std::int32_t RecordCount();
    Field Fields(const QString& name) const;
    FieldSetter Collect(const QString& name);
    void AddNew();
    void Edit();
    void Update(int type = dbUpdateRegular, bool force = false);
    void CancelUpdate(int type = dbUpdateRegular);
    void Close();

private:
    friend class Database;
    enum class Kind { Table, Dynaset, Query };
    enum class Pending { None, Adding, Editing };
    Recordset(std::shared_ptr<detail::Connection> conn, Kind kind);
    void load(const QString& sql, const std::vector<Variant>& params);
    void ensureLoaded();
    void ensureOpen() const;
    void ensureCurrent() const;
    int column(const QString& name) const;
    void refreshRow(std::int64_t rowid, std::size_t at);

    std::shared_ptr<detail::Connection> conn_;
    Kind kind_;
    const detail::TableInfo* table_ = nullptr;  // for Table and Dynaset
    std::vector<QString> names_;
    // The last name found only with letter case ignored, and its column.
    mutable QString lastAsked_;
    mutable int lastColumn_ = -1;
    // Rows one after another, names_.size() cells each, their texts kept as
    // the file gives them in one buffer: a text becomes a QString only when
    // read, and a whole table costs two allocations.
    struct Cell {
        enum class Type : std::uint8_t { Null, Integer, Real, Text };
        Type type = Type::Null;
        std::uint32_t length = 0;  // Text: bytes in texts_
        union {
            std::int64_t integer;
            double real;
            std::uint64_t offset;  // Text: where it starts in texts_
        };
    };
    std::vector<Cell> cells_;
    std::string texts_;  // plain appends: cheaper than QByteArray's insert path per cell
    std::size_t rowCount() const { return names_.empty() ? 0 : cells_.size() / names_.size(); }
    Variant cell(std::size_t row, std::size_t column) const;
    // Column c of the statement's current row as a cell.
    Cell readCell(const detail::Statement& st, int c);
    std::vector<std::int64_t> rowids_;
    std::size_t pos_ = 0;
    bool loaded_ = false;
    bool open_ = true;
    Pending pending_ = Pending::None;
    std::vector<Variant> pendingValues_;
    std::vector<bool> pendingSet_;
};

}  // namespace tarvix
