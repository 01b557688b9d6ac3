// Inside the engine: one open store, whatever holds it (the SQLite file or a
// PostgreSQL server), its schema as the dialect sees it and the statements
// prepared on it. Shared by a database and its recordsets.
#pragma once

#include "platform/engine/TranslationCache.h"
#include "platform/engine/Variant.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace tarvix::detail {

enum class ColumnType { Null, Integer, Real, Text };

// One statement as the backend prepared it. Texts use ?1, ?2... for values.
class PreparedStatement {
public:
    virtual ~PreparedStatement() = default;
    virtual void bind(int index, const Variant& value) = 0;
    // True with a row to read, false once done; any other outcome raises its engine error.
    virtual bool step() = 0;
    // Ready for the next use: no row, no values bound.
    virtual void reset() noexcept = 0;
    virtual int columnCount() const = 0;
    virtual ColumnType columnType(int index) const = 0;
    virtual QByteArrayView columnUtf8(int index) const = 0;
    virtual double columnReal(int index) const = 0;
    virtual std::int64_t columnInt64(int index) const = 0;
};

class Connection {
public:
    virtual ~Connection();

    QString path;  // the store's file (or the link to its server), absolute
    Schema schema;
    TranslationCache translations;

    // ObjectClosed once the connection is closed.
    void ensureOpen() const;
    virtual bool isOpen() const = 0;
    // Finalizes every statement, then lets the store go.
    void close();
    QString fileName() const;
    // Where a statement of one text waits between uses; Statement takes it
    // out and puts it back, so a statement is never in two hands at once.
    struct Slot {
        std::unique_ptr<PreparedStatement> statement;
    };
    // The slot for sql, made on first use.
    Slot& slot(const QString& sql);
    // A statement for sql: the slot's when it waits there, else a new one.
    std::unique_ptr<PreparedStatement> take(Slot& slot, const QString& sql);
    // Counts the clearings: a slot of an earlier count is gone.
    std::uint64_t generation() const { return generation_; }
    // Finalizes every prepared statement.
    void clearStatements();

    // Runs statements with no parameters and no rows.
    virtual void exec(const char* sql) = 0;
    // True outside any transaction.
    virtual bool autocommit() const = 0;
    virtual void begin() = 0;
    virtual void commit() = 0;
    virtual void rollback() noexcept = 0;
    virtual void savepoint(const QByteArray& name, bool outermost) = 0;
    virtual void release(const QByteArray& name, bool outermost) = 0;
    virtual void undoSavepoint(const QByteArray& name, bool outermost) noexcept = 0;
    // The key the last insert got, and the rows the last change touched.
    virtual std::int64_t lastInsertId() = 0;
    virtual std::int64_t changes() = 0;
    virtual void loadSchema() = 0;
    // Adds rows to a table at once, inside the caller's transaction: one
    // prepared insert by default, COPY on a server.
    virtual void bulkInsert(const QString& table, const std::vector<QString>& columns,
                            const std::vector<std::vector<Variant>>& rows);
    // A store on a database server rather than a file.
    virtual bool onServer() const = 0;
    // A failure inside the engine that the backend did not report itself.
    [[noreturn]] void failInternal() const;

protected:
    struct RawColumn {
        QString name;
        bool key = false;    // the row's key, given by the store
        bool rowid = false;  // a server table's hidden row identity
    };
    // A table as the dialect sees it: fold companions (Xxx_Fold beside Xxx) kept out of the fields.
    static TableInfo describeTable(const QString& name, const std::vector<RawColumn>& raw);
    virtual std::unique_ptr<PreparedStatement> prepareNew(const QString& sql) = 0;
    virtual void closeStore() noexcept = 0;

private:
    // Statements the windows repeat (a search, a fill) are prepared once.
    // Node-based: a slot stays where it is while others are added.
    std::unordered_map<QString, Slot> cache_;
    // The slot asked for last, known by its text's storage: a repeated
    // search hands over the very text the translation cache holds. The copy
    // keeps that storage alive, so its address cannot stand for another text.
    QString lastSql_;
    Slot* lastSlot_ = nullptr;
    std::uint64_t generation_ = 0;
};

}  // namespace tarvix::detail
