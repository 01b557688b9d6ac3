// A fresh "Dictionar.mdb" in its own temporary folder, made the working
// folder for the test's life, with helpers to fill and inspect it.
#pragma once

#include "platform/Engine.h"
#include "store/Schema.h"

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace tarvix::test {

// Adds a word or a chapter through a recordset, as the editors do; its key.
std::int32_t AddText(Database& db, const store::TextTable& table, const QString& text);
// The first field of each row of a plain SQLite query, in the order the query gives.
QStringList Column(Database& db, const QString& sql);

class TempStore {
public:
    // Which store the next TempStore makes: a file, or a database on the tests' PostgreSQL
    // cluster with a link to it in the file's place.
    enum class Backend { File, Server };
    static inline Backend backend = Backend::File;
    static bool onServer() { return backend == Backend::Server; }

    // Makes the store empty; with create = false only the folder exists.
    explicit TempStore(bool create = true);
    ~TempStore();
    TempStore(const TempStore&) = delete;
    TempStore& operator=(const TempStore&) = delete;

    QString folder() const { return dir_.path(); }
    QString file() const { return dir_.filePath(QStringLiteral("Dictionar.mdb")); }
    // On a server store: its schema in the tests' shared database, and its URI (empty for a file).
    QString schema() const { return schema_; }
    QString uri() const;

    // A second connection of its own, as another copy of the program would have.
    Database& other();

    std::int32_t addWord(const QString& word);
    std::int32_t addChapter(const QString& title);
    void link(std::int32_t word, std::int32_t chapter);
    std::int64_t count(const QString& table);
    // Chapter titles linked to a word's key, sorted by key order of the link rows.
    QStringList chaptersOf(std::int32_t word);
    QStringList column(const QString& sql);
    // 32,767 words, 32,767 chapters and 1,000,000 links (30 or 31 a word), written in one script.
    void fillLarge();

private:
    QTemporaryDir dir_;
    QString schema_;
    QString previous_;
    std::unique_ptr<Database> other_;
};

}  // namespace tarvix::test
