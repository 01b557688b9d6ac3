#include "platform/engine/DBEngine.h"

#include "platform/engine/ErrorNumbers.h"
#include "platform/engine/PgConnection.h"
#include "platform/engine/ServerLink.h"
#include "platform/engine/SqliteConnection.h"
#include "platform/engine/StoreFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>
#include <unistd.h>

namespace tarvix {

using detail::SqliteConnection;

namespace {

std::shared_ptr<SqliteConnection> openConnection(const StoreFile& file, int flags)
{
    // The name as given: a relative one stays good in a folder whose name is not UTF-8.
    return std::make_shared<SqliteConnection>(QDir(file.Folder()).filePath(file.FileName()), file.Name(), flags);
}

std::shared_ptr<detail::PgConnection> openServer(const QString& path, const QString& uri, bool readOnly)
{
    auto conn = std::make_shared<detail::PgConnection>(path, uri, readOnly);
    conn->loadSchema();
    return conn;
}

}  // namespace

bool IsJetFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray signature = f.read(19).mid(4);
    return signature == "Standard Jet DB" || signature == "Standard ACE DB";
}

std::unique_ptr<Database> DBEngine::OpenDatabase(const QString& name, bool readOnly)
{
    const StoreFile file(name);
    file.CheckReadable();
    const QString full = QFile::decodeName(file.Target());
    // A store shared through a server: the file only says where.
    if (ServerLink::IsLinkFile(full))
        return std::unique_ptr<Database>(new Database(openServer(full, ServerLink::Read(full).Uri(), readOnly)));
    // An old dictionary is the likeliest foreign file to meet under this name.
    if (IsJetFile(name) && !(OnJetFile && OnJetFile(full)))
        throw StoreConditionError(err::NotAStore,
                                  QStringLiteral("Fișierul „%1” din dosarul „%2” este o bază de date Access mai "
                                                 "veche, nu una Tarvix.")
                                      .arg(file.FileName(), file.Folder()),
                                  StoreCondition::OlderAccessFile, file.FileName());
    if (!readOnly)
        file.CheckWritable();
    file.SettleJournal(!readOnly);
    // One thread uses a connection, so SQLite need not lock around every call.
    std::shared_ptr<SqliteConnection> conn =
        openConnection(file, (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX);
    try {
        conn->loadSchema();
    } catch (const EngineError& e) {
        if (e.Number() == err::NotAStore)
            throw EngineError(err::NotAStore, QStringLiteral("Fișierul „%1” din dosarul „%2” nu este o bază de date "
                                                             "Tarvix.")
                                                  .arg(file.FileName(), file.Folder()));
        throw;
    }
    if (!readOnly && conn->readOnly())
        throw EngineError(err::ReadOnly, QStringLiteral("Fișierul „%1” poate fi doar citit; Tarvix are nevoie să scrie "
                                                        "în el.")
                                             .arg(file.FileName()));
    return std::unique_ptr<Database>(new Database(std::move(conn)));
}

std::unique_ptr<Database> DBEngine::OpenServer(const QString& uri, bool readOnly)
{
    ServerLink::CheckUri(uri);
    return std::unique_ptr<Database>(new Database(openServer(uri, uri, readOnly)));
}

std::unique_ptr<Database> DBEngine::CreateDatabase(const QString& name)
{
    const StoreFile file(name);
    file.CheckNew();
    if (file.Exists())
        throw EngineError(
            err::AlreadyExists,
            QStringLiteral("Fișierul „%1” există deja în dosarul „%2”.").arg(file.FileName(), file.Folder()));
    std::shared_ptr<SqliteConnection> conn =
        openConnection(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX);
    conn->exec("PRAGMA journal_mode = DELETE");
    conn->loadSchema();
    return std::unique_ptr<Database>(new Database(std::move(conn)));
}

}  // namespace tarvix
