// An old Jet dictionary brought over into a new store, for import-mdb and convert.
#pragma once

#include "tools/jet/JetFile.h"
#include "tools/jet/JetSide.h"

#include "store/Schema.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace tarvix::tool {

// TABLE, then the key and the text field (words, chapters), or the word key
// and the chapter key (links); names match without regard to case.
struct JetMapping {
    QString table, first, second;
};

// The older program's tables have the names the store's have.
inline JetMapping SameAs(const store::TextTable& t)
{
    return {QLatin1String(t.table), QLatin1String(t.key), QLatin1String(t.text)};
}

struct JetImportOptions {
    JetMapping words = SameAs(store::kWords);
    JetMapping chapters = SameAs(store::kChapters);
    JetMapping links{QLatin1String(store::kLinks), QLatin1String(store::kWords.key),
                     QLatin1String(store::kChapters.key)};
    int codePage = 0;                 // 0: the one the file names
    std::optional<QString> password;  // the Access file's database password, when the user gave one
};

// What was read and stored, for the report.
struct JetImported {
    JetSide words{store::kWords};
    JetSide chapters{store::kChapters};
    long long linksRead = 0, linksStored = 0, linksRepeated = 0;
    QStringList dropped;
    QStringList report;
    JetHeader header;
};

// Reads jetPath and writes a new store at storePath (a temporary name); engine
// failures name storeName, the file being made. Throws Failure.
JetImported ImportJet(const QString& jetPath, const JetImportOptions& options, const QString& storePath,
                      const QString& storeName);
// --password's value: "-" reads the first line of standard input instead.
QString ReadJetPassword(const QString& value);
// What was read, kept, merged and left out, and how long it took.
QString JetImportReport(const JetImported& im, const QString& storeName, qint64 ms);

}  // namespace tarvix::tool
