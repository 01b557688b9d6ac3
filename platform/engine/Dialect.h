// The older SQL dialect the windows write (nested parenthesised INNER JOINs,
// DELETE naming fields or table.*, texts in double quotes), translated into
// SQLite statements whose every text value is a bound parameter.
#pragma once

#include <QString>
#include <vector>

namespace tarvix::detail {

struct ColumnInfo {
    QString name;        // as the file spells it
    QString foldColumn;  // the companion column holding its fold key, or empty
};

struct TableInfo {
    QString name;
    std::vector<ColumnInfo> columns;  // fold companions left out
    int keyColumn = -1;               // the column that is the row's key (rowid alias), or -1
    // The row's identity in statements: SQLite's rowid, or a server table's own key column.
    QString rowid = QStringLiteral("rowid");
    // Index of a column by name, letter case ignored; -1 when there is none.
    int find(const QString& column) const;
};

struct Schema {
    std::vector<TableInfo> tables;
    const TableInfo* find(const QString& table) const;
};

struct Translated {
    enum class Kind { Select, Delete };
    Kind kind = Kind::Select;
    QString sql;                   // SQLite text with ?1, ?2... in order
    std::vector<QString> params;   // the values to bind, already folded where the column compares folded
    std::vector<QString> columns;  // the names of the SELECT's result columns
};

// "name" with every double quote inside doubled: a table or field name in SQLite text.
QString QuoteName(const QString& name);

// Raises EngineError: StatementNotUnderstood for a text outside the supported
// shapes, UnknownTable and UnknownField for names the schema lacks.
// With folded, also which values compare folded, one flag per value in order.
Translated Translate(const QString& text, const Schema& schema, std::vector<bool>* folded = nullptr);

}  // namespace tarvix::detail
