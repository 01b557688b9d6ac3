// Opening and creating stores: an SQLite file, a link to a PostgreSQL server
// in the file's place, and recognising an older Jet file before SQLite is
// asked to open it.
#pragma once

#include "platform/engine/Database.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace tarvix {

class DBEngine {
public:
    // Opens an existing file for reading and writing (or, with readOnly, for
    // reading only, as on a read-only medium); never creates one.
    // A file that is a link to a server opens the store on that server.
    std::unique_ptr<Database> OpenDatabase(const QString& name, bool readOnly = false);
    // The store in the PostgreSQL database a connection URI names (tools only).
    std::unique_ptr<Database> OpenServer(const QString& uri, bool readOnly = false);
    // Makes a new, empty file; refuses to overwrite one (AlreadyExists).
    std::unique_ptr<Database> CreateDatabase(const QString& name);
    // How long a write waits for another copy's lock before failing with Locked.
    static inline int BusyTimeoutMs = 5000;
    // Asked when the file to open is an older Jet (Access) file, with its full
    // path: true once a Tarvix store stands in its place, false to refuse it.
    // The program sets it at start-up; unset, such a file is refused.
    using JetFileHandler = std::function<bool(const QString& path)>;
    static inline JetFileHandler OnJetFile;
    // Asked for a server's password when libpq's own places (~/.pgpass,
    // PGPASSFILE, a service file) hold none, with the server's name; nothing
    // to refuse. The program sets it; what it answers is kept in memory only.
    using PasswordAsker = std::function<std::optional<QString>(const QString& server)>;
    static inline PasswordAsker OnPassword;
};

// True for a file that begins like a Jet or ACE (Access) database.
bool IsJetFile(const QString& path);

}  // namespace tarvix
