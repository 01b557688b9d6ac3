#include "platform/engine/DBEngine.h"

#include "platform/engine/Connection.h"
#include "platform/engine/ErrorNumbers.h"
#include "platform/engine/StoreFile.h"
#include "platform/engine/TextRules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>
#include <unistd.h>

namespace tarvix {

using detail::Connection;

namespace {

std::shared_ptr<Connection> openConnection(const StoreFile& file, int flags)
{
    auto conn = std::make_shared<Connection>();
    conn->path = QDir(file.Folder()).filePath(file.FileName());
    sqlite3* raw = nullptr;
    // The name as given: a relative one stays good in a folder whose name is not UTF-8.
    const int rc = sqlite3_open_v2(file.Name().constData(), &raw, flags, nullptr);
    conn->db.reset(raw);
    if (rc != SQLITE_OK)
        conn->fail(rc);
    sqlite3_extended_result_codes(raw, 1);
    sqlite3_busy_timeout(raw, DBEngine::BusyTimeoutMs);
    detail::RegisterTextRules(raw);
    conn->exec("PRAGMA foreign_keys = ON");
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
    std::shared_ptr<Connection> conn =
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
    if (!readOnly && sqlite3_db_readonly(conn->db.get(), "main") == 1)
        throw EngineError(err::ReadOnly, QStringLiteral("Fișierul „%1” poate fi doar citit; Tarvix are nevoie să scrie "
                                                        "în el.")
                                             .arg(file.FileName()));
    return std::unique_ptr<Database>(new Database(std::move(conn)));
}

std::unique_ptr<Database> DBEngine::CreateDatabase(const QString& name)
{
    const StoreFile file(name);
    file.CheckNew();
    if (file.Exists())
        throw EngineError(
            err::AlreadyExists,
            QStringLiteral("Fișierul „%1” există deja în dosarul „%2”.").arg(file.FileName(), file.Folder()));
    std::shared_ptr<Connection> conn =
        openConnection(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX);
    conn->exec("PRAGMA journal_mode = DELETE");
    conn->loadSchema();
    return std::unique_ptr<Database>(new Database(std::move(conn)));
}

}  // namespace tarvix
