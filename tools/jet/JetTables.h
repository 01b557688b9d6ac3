// The user's mapping (words, chapters, links) found among a Jet file's tables:
// names matched without regard to case, in the file's own code page for Jet 3,
// each column of a type the import takes, each side within what the windows list.
#pragma once

#include "tools/jet/JetImport.h"
#include "tools/jet/JetReader.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace tarvix::tool {

struct MappedTable {
    JetReader::Request request;  // as the reader spells the names
    QString shown;               // the table's name as the user reads it
    QStringList shownColumns;
    std::vector<int> types;
    long long declaredRows = 0;
};

// Words, chapters and links, in that order. Throws Failure naming what is missing or wrong, with the tables
// the file has.
std::vector<MappedTable> FindJetTables(JetReader& reader, const JetImportOptions& options, const QString& file);

}  // namespace tarvix::tool
