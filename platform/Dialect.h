// The older SQL dialect the windows write (nested parenthesised INNER JOINs,
// DELETE naming fields or table.*, texts in double quotes), translated into
// SQLite statements whose every text value is a bound parameter.
#pragma once

#include <QHash>
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
    QString sql;                  // SQLite text with ?1, ?2... in order
    std::vector<QString> params;  // the values to bind, already folded where the column compares folded
    std::vector<QString> columns; // the names of the SELECT's result columns
};

// Raises EngineError: StatementNotUnderstood for a text outside the supported
// shapes, UnknownTable and UnknownField for names the schema lacks.
Translated Translate(const QString& text, const Schema& schema);

// Remembers translations by the statement's shape (its text with the quoted
// values taken out), so a search for another keyword skips the parse.
class TranslationCache {
public:
    Translated translate(const QString& text, const Schema& schema);
    void clear() { entries_.clear(); }

private:
    struct Entry {
        Translated shape;           // params hold nothing
        std::vector<bool> folded;   // per value: compared folded
    };
    QHash<QString, Entry> entries_;
};

}  // namespace tarvix::detail
