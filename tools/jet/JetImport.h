// import-mdb and convert: an old Jet dictionary brought over into a new store.
#pragma once

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
    bool force = false;
};

// "TABLE:FIELD:FIELD"; throws Failure (BadArguments) otherwise.
JetMapping ParseJetMapping(const QString& option, const QString& value);

// Reads jet and writes a new store at store; prints the report. Returns the exit code.
int RunImportMdb(const QString& jet, const QString& store, const JetImportOptions& options);
// Keeps the Jet file beside itself under a name that says what it is, and puts the store in its place.
int RunConvert(const QString& file);

}  // namespace tarvix::tool
