// import-mdb and convert: an old Jet dictionary brought over into a new store.
#pragma once

#include "store/Schema.h"

#include <QString>
#include <QStringList>

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
    int codePage = 0;  // 0: the one the file names
    bool force = false;
};

// "TABLE:FIELD:FIELD"; throws Failure (BadArguments) otherwise.
JetMapping ParseJetMapping(const QString& option, const QString& value);

// Reads jet and writes a new store at store; prints the report. Returns the exit code.
int RunImportMdb(const QString& jet, const QString& store, const JetImportOptions& options);
// Keeps the Jet file beside itself under a name that says what it is, and puts the store in its place.
int RunConvert(const QString& file);

}  // namespace tarvix::tool
