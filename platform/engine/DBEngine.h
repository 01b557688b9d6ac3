// Opening and creating store files, and recognising an older Jet file before
// SQLite is asked to open it.
#pragma once

#include "platform/engine/Database.h"

#include <QString>

#include <functional>
#include <memory>

namespace tarvix {

class DBEngine {
public:
    // Opens an existing file for reading and writing (or, with readOnly, for
    // reading only, as on a read-only medium); never creates one.
    std::unique_ptr<Database> OpenDatabase(const QString& name, bool readOnly = false);
    // Makes a new, empty file; refuses to overwrite one (AlreadyExists).
    std::unique_ptr<Database> CreateDatabase(const QString& name);
    // How long a write waits for another copy's lock before failing with Locked.
    static inline int BusyTimeoutMs = 5000;
    // Asked when the file to open is an older Jet (Access) file, with its full
    // path: true once a Tarvix store stands in its place, false to refuse it.
    // The program sets it at start-up; unset, such a file is refused.
    using JetFileHandler = std::function<bool(const QString& path)>;
    static inline JetFileHandler OnJetFile;
};

// True for a file that begins like a Jet or ACE (Access) database.
bool IsJetFile(const QString& path);

}  // namespace tarvix
