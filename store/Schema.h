// The store's schema and how a Tarvix store file is recognised.
#pragma once

#include "platform/Engine.h"

#include <QStringList>

namespace tarvix::store {

// The editors' boxes: a word takes at most 25 characters, a chapter title 40.
inline constexpr int kWordMax = 25;
inline constexpr int kChapterMax = 40;
// An editor's list addresses at most this many rows (its positions are 16-bit).
inline constexpr int kMaxRows = 32767;

// The words or the chapters: a key the store gives and a text with its fold
// column. The one description of the two text tables: every window, command
// and message that names them takes it from here.
struct TextTable {
    const char* table;  // "tblDictionar"
    const char* key;    // "ID_Cuvant"
    const char* text;   // "Cuvant"; its fold is in FoldField: "Cuvant_Fold"
    const char* what;   // "cuvântul", as messages name one row
    const char* one;    // "cuvânt"
    const char* many;   // "cuvinte"
    int editorMax;      // the editor's box
};
inline constexpr TextTable kWords{"tblDictionar", "ID_Cuvant", "Cuvant", "cuvântul", "cuvânt", "cuvinte", kWordMax};
inline constexpr TextTable kChapters{"tblCapitol", "ID_Capitol", "Capitol",  "capitolul",
                                     "capitol",    "capitole",   kChapterMax};
inline constexpr const char* kLinks = "tblLegatura";

// "Cuvant_Fold": the column that holds the fold of the text.
QString FoldField(const TextTable& t);

// The fields the program reads and writes in a table (fold columns included); empty for another table.
QStringList RequiredFields(const QString& table);

// Makes the three tables in a new, empty file (tools and tests only: the
// program never creates or alters the schema).
void CreateSchema(Database& db);
// The same inside the caller's transaction, on a file or on a server.
void CreateSchemaIn(Database& db);
// CreateSchemaIn in two steps, for a copy that brings many rows at once: the
// tables with their keys and text rules, then, once the rows are in, the
// links' indexes and (on a server) their references to words and chapters.
void CreateTablesIn(Database& db);
void AddLinkRulesIn(Database& db);

// Raises NotAStore, naming what is missing, unless the file holds the three
// tables with the fields the program reads and writes.
void RequireSchema(Database& db);

}  // namespace tarvix::store
