#include "platform/engine/DBEngine.h"

#include "platform/engine/ErrorNumbers.h"
#include "platform/engine/PgConnection.h"
#include "platform/engine/ServerLink.h"
#include "platform/engine/SqliteConnection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>
#include <unistd.h>

namespace tarvix {

using detail::SqliteConnection;

namespace {

QString describeFolder(const QFileInfo& info)
{
    return QDir::toNativeSeparators(info.absolutePath());
}

std::shared_ptr<SqliteConnection> openConnection(const QFileInfo& info, int flags)
{
    return std::make_shared<SqliteConnection>(info.absoluteFilePath(), flags);
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
    const QFileInfo info(QDir::current(), name);
    // A first run meets this: say how to make the store, not only that it is missing.
    if (!info.exists())
        throw EngineError(err::FileNotFound,
                          // Each command on a line of its own, whole, ready to be copied into a terminal.
                          QStringLiteral("Nu găsesc fișierul „%1” în dosarul „%2”.\nÎntr-un terminal deschis în "
                                         "acest dosar, comanda\ntarvix-db create %1\nface o bază de date goală, "
                                         "iar comanda\ntarvix-db sample %1\nuna cu dicționarul de exemplu.")
                              .arg(info.fileName(), describeFolder(info)));
    if (info.isDir())
        throw EngineError(err::CannotOpen, QStringLiteral("„%1” din dosarul „%2” este un dosar, nu un fișier; baza de "
                                                          "date este un fișier cu acest nume.")
                                               .arg(info.fileName(), describeFolder(info)));
    // A pipe would block the first read and a device read without end.
    if (!info.isFile())
        throw EngineError(err::CannotOpen, QStringLiteral("„%1” din dosarul „%2” nu este un fișier obișnuit, ci o "
                                                          "conductă, un dispozitiv sau un soclu; baza de date este un "
                                                          "fișier obișnuit.")
                                               .arg(info.fileName(), describeFolder(info)));
    if (!info.isReadable())
        throw EngineError(err::CannotOpen, QStringLiteral("Fișierul „%1” din dosarul „%2” nu poate fi citit: "
                                                          "lipsește permisiunea.")
                                               .arg(info.fileName(), describeFolder(info)));
    // A store shared through a server: the file only says where.
    if (ServerLink::IsLinkFile(info.absoluteFilePath()))
        return std::unique_ptr<Database>(new Database(
            openServer(info.absoluteFilePath(), ServerLink::Read(info.absoluteFilePath()).Uri(), readOnly)));
    // An old dictionary is the likeliest foreign file to meet under this name.
    if (IsJetFile(info.absoluteFilePath()) && !(OnJetFile && OnJetFile(info.absoluteFilePath())))
        throw EngineError(err::NotAStore,
                          QStringLiteral("Fișierul „%1” din dosarul „%2” este o bază de date Access mai "
                                         "veche, nu una Tarvix. Datele lui se pot aduce cu comanda "
                                         "„tarvix-db convert %1”, care păstrează originalul alături.")
                              .arg(info.fileName(), describeFolder(info)));
    // The program writes; finding out only at the first save would lose the user's typing.
    if (!readOnly && (!info.isWritable() || ::access(QFile::encodeName(info.absolutePath()).constData(), W_OK) != 0))
        throw EngineError(err::ReadOnly,
                          QStringLiteral("Fișierul „%1” sau dosarul „%2” poate fi doar citit; Tarvix are "
                                         "nevoie să scrie în ele.")
                              .arg(info.fileName(), describeFolder(info)));
    // One thread uses a connection, so SQLite need not lock around every call.
    std::shared_ptr<SqliteConnection> conn =
        openConnection(info, (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX);
    try {
        conn->loadSchema();
    } catch (const EngineError& e) {
        if (e.Number() == err::NotAStore)
            throw EngineError(err::NotAStore, QStringLiteral("Fișierul „%1” din dosarul „%2” nu este o bază de date "
                                                             "Tarvix.")
                                                  .arg(info.fileName(), describeFolder(info)));
        throw;
    }
    if (!readOnly && conn->readOnly())
        throw EngineError(err::ReadOnly, QStringLiteral("Fișierul „%1” poate fi doar citit; Tarvix are nevoie să scrie "
                                                        "în el.")
                                             .arg(info.fileName()));
    return std::unique_ptr<Database>(new Database(std::move(conn)));
}

std::unique_ptr<Database> DBEngine::CreateDatabase(const QString& name)
{
    const QFileInfo info(QDir::current(), name);
    if (info.exists())
        throw EngineError(
            err::AlreadyExists,
            QStringLiteral("Fișierul „%1” există deja în dosarul „%2”.").arg(info.fileName(), describeFolder(info)));
    std::shared_ptr<SqliteConnection> conn =
        openConnection(info, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX);
    conn->exec("PRAGMA journal_mode = DELETE");
    conn->loadSchema();
    return std::unique_ptr<Database>(new Database(std::move(conn)));
}

std::unique_ptr<Database> DBEngine::OpenServer(const QString& uri, bool readOnly)
{
    ServerLink::CheckUri(uri);
    return std::unique_ptr<Database>(new Database(openServer(uri, uri, readOnly)));
}

}  // namespace tarvix
