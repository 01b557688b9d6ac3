// Inside the engine: one open SQLite file, its schema as the dialect sees it
// and the statements prepared on it. Shared by a database and its recordsets.
#pragma once

#include "platform/engine/TranslationCache.h"

#include <QString>

#include <memory>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace tarvix::detail {

struct SqliteCloser {
    void operator()(sqlite3* db) const noexcept;
};
struct StmtFinalizer {
    void operator()(sqlite3_stmt* st) const noexcept;
};
using StmtPtr = std::unique_ptr<sqlite3_stmt, StmtFinalizer>;

struct Connection {
    std::unique_ptr<sqlite3, SqliteCloser> db;
    QString path;  // absolute
    Schema schema;
    // Statements the windows repeat (a search, a fill) are prepared once.
    std::unordered_map<QString, StmtPtr> cache;
    TranslationCache translations;
    // The statement asked for last, known by its text's storage: a repeated
    // search hands over the very text the translation cache holds. The copy
    // keeps that storage alive, so its address cannot stand for another text.
    QString lastSql;
    sqlite3_stmt* lastStmt = nullptr;

    // ObjectClosed once the connection is closed.
    sqlite3* handle() const;
    QString fileName() const;
    // The cached statement for sql, prepared on first use.
    sqlite3_stmt* prepare(const QString& sql);
    // Runs plain SQLite text with no parameters and no rows.
    void exec(const char* sql);
    // True outside any transaction.
    bool autocommit() const;
    [[noreturn]] void fail(int rc) const;
    void loadSchema();
    // Finalizes every prepared statement.
    void clearStatements();
};

}  // namespace tarvix::detail
