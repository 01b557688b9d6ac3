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

inline QString folderName(const QString& dir)
{
    return QDir::toNativeSeparators(dir);
}

}  // namespace tarvix::tool
