// A Jet file while it is read or replaced: not while another program has it
// open, not by two conversions at once, and its original kept under a second name.
#pragma once

#include "tools/jet/JetFile.h"

#include <QFileInfo>
#include <QString>

namespace tarvix::tool {

// Throws Failure (FileProblem) while another program holds the file: a lock on its .ldb (.laccdb) or on itself.
void RefuseIfHeld(const QFileInfo& jet);
// The lock file Access keeps beside it, whether there or not.
QString LockFileOf(const QFileInfo& jet);

// One conversion of a file at a time. changed() says the file under the name is no longer the one locked:
// the other conversion finished first, and everything must be looked at again.
class ConversionLock {
public:
    explicit ConversionLock(const QFileInfo& jet);  // Failure (FileProblem) while another conversion runs
    ~ConversionLock();
    ConversionLock(const ConversionLock&) = delete;
    ConversionLock& operator=(const ConversionLock&) = delete;
    bool changed() const { return changed_; }

private:
    int fd_ = -1;
    bool changed_ = false;
};

// The n-th name an original may be kept under beside it: "Dictionar.original-jet4.mdb", then "...-jet4-2.mdb".
QString OriginalName(const QFileInfo& info, const JetHeader& header, int n);
// The first of those names that no file has yet.
QString FreeOriginalName(const QFileInfo& info, const JetHeader& header);
// A second name for the original, beside it; no existing file is ever replaced.
QString KeepOriginal(const QFileInfo& info, const JetHeader& header);

bool SameFile(const QString& a, const QString& b);

}  // namespace tarvix::tool
