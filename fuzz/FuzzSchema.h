// What the fuzz targets share: a real store made once in a temporary folder
// and the translator's view of its schema, checked against the file.
#pragma once

#include "platform/Engine.h"
#include "platform/engine/Dialect.h"
#include "store/Schema.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace tarvix::fuzz {

[[noreturn]] inline void fail(const char* what, const QString& detail = {})
{
    std::fprintf(stderr, "FUZZ CHECK FAILED: %s %s\n", what, detail.toUtf8().constData());
    std::fflush(stderr);
    std::abort();
}

inline void require(bool ok, const char* what, const QString& detail = {})
{
    if (!ok)
        fail(what, detail);
}

// The store's tables as the engine reads them from a file made by store::CreateSchema.
inline detail::Schema StoreSchema()
{
    using detail::ColumnInfo;
    using detail::TableInfo;
    detail::Schema s;
    TableInfo capitol{QStringLiteral("tblCapitol"),
                      {ColumnInfo{QStringLiteral("ID_Capitol"), {}},
                       ColumnInfo{QStringLiteral("Capitol"), QStringLiteral("Capitol_Fold")}},
                      0};
    TableInfo dictionar{QStringLiteral("tblDictionar"),
                        {ColumnInfo{QStringLiteral("ID_Cuvant"), {}},
                         ColumnInfo{QStringLiteral("Cuvant"), QStringLiteral("Cuvant_Fold")}},
                        0};
    TableInfo legatura{QStringLiteral("tblLegatura"),
                       {ColumnInfo{QStringLiteral("ID_Cuvant"), {}}, ColumnInfo{QStringLiteral("ID_Capitol"), {}}},
                       -1};
    s.tables = {capitol, dictionar, legatura};
    return s;
}

// A fresh store in its own temporary folder, kept for the whole run.
struct FuzzStore {
    QTemporaryDir dir;
    std::unique_ptr<Database> db;

    FuzzStore()
    {
        require(dir.isValid(), "temporary folder");
        const QString file = dir.filePath(QStringLiteral("Dictionar.mdb"));
        {
            std::unique_ptr<Database> made = DBEngine().CreateDatabase(file);
            store::CreateSchema(*made);
            made->Close();
        }
        db = DBEngine().OpenDatabase(file);
        store::RequireSchema(*db);
        // The hand-made schema must be the one the engine reads from the file.
        for (const detail::TableInfo& t : StoreSchema().tables) {
            std::vector<QString> expected;
            for (const detail::ColumnInfo& c : t.columns) {
                expected.push_back(c.name);
                if (!c.foldColumn.isEmpty())
                    expected.push_back(c.foldColumn);
            }
            require(db->TableFields(t.name) == expected, "schema differs from the store's", t.name);
        }
    }
    ~FuzzStore()
    {
        if (db && db->IsOpen())
            db->Close();
    }
    QString file() const { return dir.filePath(QStringLiteral("Dictionar.mdb")); }
};

}  // namespace tarvix::fuzz
