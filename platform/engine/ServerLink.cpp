#include "platform/engine/ServerLink.h"

#include "platform/engine/ErrorNumbers.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <libpq-fe.h>

#include <map>
#include <memory>

namespace tarvix {

const char* const ServerLink::kFirstLine = "# Tarvix: dicționar pe un server PostgreSQL";

namespace {

// A link is a line and a URI: anything much longer is another file.
constexpr qint64 kMaxLinkBytes = 4096;

using Options = std::map<QString, QString>;

// The URI's settings, or the parser's complaint in error.
Options parse(const QString& uri, QString& error)
{
    char* message = nullptr;
    std::unique_ptr<PQconninfoOption, void (*)(PQconninfoOption*)> opts(
        PQconninfoParse(uri.toUtf8().constData(), &message), PQconninfoFree);
    Options out;
    if (!opts) {
        error = message ? QString::fromUtf8(message).trimmed() : QStringLiteral("text necunoscut");
        PQfreemem(message);
        return out;
    }
    for (PQconninfoOption* o = opts.get(); o->keyword; ++o)
        if (o->val)
            out[QString::fromUtf8(o->keyword)] = QString::fromUtf8(o->val);
    return out;
}

bool looksLikeUri(const QString& uri)
{
    return uri.startsWith(QLatin1String("postgresql://")) || uri.startsWith(QLatin1String("postgres://"));
}

}  // namespace

ServerLink::ServerLink(QString uri) : uri_(std::move(uri)) {}

void ServerLink::CheckUri(const QString& uri)
{
    QString error;
    const Options opts = parse(uri, error);
    if (!looksLikeUri(uri) || !error.isEmpty())
        throw EngineError(err::ValueRefused,
                          QStringLiteral("„%1” nu este adresa unei baze de date PostgreSQL (de forma "
                                         "postgresql://SERVER/BAZĂ)%2.")
                              .arg(uri, error.isEmpty() ? QString() : QStringLiteral(": ") + error));
    if (opts.count(QStringLiteral("password")))
        throw EngineError(err::ValueRefused,
                          QStringLiteral("Adresa serverului conține o parolă; parola nu se scrie în fișier. Puneți-o "
                                         "în ~/.pgpass sau lăsați programul să o ceară."));
    if (!opts.count(QStringLiteral("dbname")))
        throw EngineError(err::ValueRefused,
                          QStringLiteral("Adresa „%1” nu numește baza de date (postgresql://SERVER/BAZĂ).").arg(uri));
}

QString ServerLink::Describe() const
{
    QString error;
    const Options opts = parse(uri_, error);
    auto get = [&](const char* key) {
        const auto it = opts.find(QString::fromLatin1(key));
        return it == opts.end() ? QString() : it->second;
    };
    QString host = get("host");
    if (host.isEmpty() || host.startsWith(QLatin1Char('/')))
        host = QStringLiteral("local");
    if (!get("port").isEmpty())
        host += QLatin1Char(':') + get("port");
    return QStringLiteral("„%1” de pe serverul %2").arg(get("dbname"), host);
}

bool ServerLink::IsLinkFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray first = QByteArray(kFirstLine);
    return f.read(first.size() + 1).startsWith(first);
}

ServerLink ServerLink::Read(const QString& path)
{
    QFile f(path);
    const QString name = QFileInfo(path).fileName();
    if (!f.open(QIODevice::ReadOnly))
        throw EngineError(err::CannotOpen, QStringLiteral("Fișierul „%1” nu poate fi citit.").arg(name));
    const QByteArray all = f.read(kMaxLinkBytes + 1);
    QStringList lines = QString::fromUtf8(all).split(QLatin1Char('\n'));
    for (QString& l : lines)
        l = l.trimmed();
    lines.removeAll(QString());
    const bool sound = all.size() <= kMaxLinkBytes && lines.size() == 2 && lines[0] == QString::fromUtf8(kFirstLine)
                       && looksLikeUri(lines[1]);
    if (!sound)
        throw StoreConditionError(err::CannotOpen,
                                  QStringLiteral("Fișierul „%1” începe ca o legătură la un server, dar nu are pe al "
                                                 "doilea rând adresa bazei de date (postgresql://SERVER/BAZĂ).")
                                      .arg(name),
                                  StoreCondition::BrokenServerLink, name);
    CheckUri(lines[1]);
    return ServerLink(lines[1]);
}

void ServerLink::Write(const QString& path, const QString& uri)
{
    CheckUri(uri);
    QSaveFile f(path);
    const QByteArray text = QByteArray(kFirstLine) + '\n' + uri.toUtf8() + '\n';
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size() || !f.commit())
        throw EngineError(
            err::CannotOpen,
            QStringLiteral("Fișierul „%1” nu poate fi scris: %2.").arg(QFileInfo(path).fileName(), f.errorString()));
}

}  // namespace tarvix
