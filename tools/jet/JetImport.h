// An old Jet dictionary brought over into a new store, for import-mdb and convert.
#pragma once

#include "tools/jet/JetSide.h"

#include "store/Schema.h"

#include <QString>
#include <QStringList>

namespace tarvix::tool {

// TABLE, then the key and the text field (words, chapters), or the word key
// and the chapter key (links); names match without regard to case.
struct JetMapping {
    QString table, first, second;
};

struct JetImportOptions {
    JetMapping words{QStringLiteral("tblDictionar"), QStringLiteral("ID_Cuvant"), QStringLiteral("Cuvant")};
    JetMapping chapters{QStringLiteral("tblCapitol"), QStringLiteral("ID_Capitol"), QStringLiteral("Capitol")};
    JetMapping links{QStringLiteral("tblLegatura"), QStringLiteral("ID_Cuvant"), QStringLiteral("ID_Capitol")};
    int codePage = 0;  // 0: the one the file names
};

// What was read and stored, for the report.
struct JetImported {
    JetSide words{QStringLiteral("Cuvinte"), "cuvânt", store::kWordMax};
    JetSide chapters{QStringLiteral("Capitole"), "capitol", store::kChapterMax};
    long long linksRead = 0, linksStored = 0, linksRepeated = 0;
    QStringList dropped;
    QStringList report;
};

// Reads jetPath and writes a new store at storePath (a temporary name); engine
// failures name storeName, the file being made. Throws Failure.
JetImported ImportJet(const QString& jetPath, const JetImportOptions& options, const QString& storePath,
                      const QString& storeName);
// What was read, kept, merged and left out, and how long it took.
QString JetImportReport(const JetImported& im, const QString& storeName, qint64 ms);

}  // namespace tarvix::tool
