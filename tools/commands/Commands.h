// The commands of tarvix-db. Each returns its exit code, or throws Failure
// (or an EngineError, which the caller reports as an engine failure).
#pragma once

#include <QDir>
#include <QString>

namespace tarvix::tool {

// An empty store, or with sample = true the sample textbook.
int RunCreate(const QString& file, bool force, bool sample);
// With repair, what can be mended without losing a row is mended first.
int RunCheck(const QString& file, bool repair);
int RunExport(const QString& file, const QString& dir, bool force);
int RunImport(const QString& file, const QString& dir);
// The store into an empty server database, the file replaced by a link to it and kept as NAME.local.mdb.
int RunShare(const QString& file, const QString& uri);
// A link to a server that holds a store.
int RunLink(const QString& file, const QString& uri);
// A store copied into a new file or an empty server database; from and to are files, links or URIs.
int RunCopy(const QString& from, const QString& to);

inline QString folderName(const QString& dir)
{
    return QDir::toNativeSeparators(dir);
}

}  // namespace tarvix::tool
