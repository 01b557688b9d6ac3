// A store kept on a PostgreSQL server is reached through a small text file in
// the store's place: its first line says what it is, the next one holds the
// connection URI. Never a password: that comes from libpq's own places or is asked for.
#pragma once

#include <QString>

namespace tarvix {

class ServerLink {
public:
    // The line a link file begins with.
    static const char* const kFirstLine;

    // True for a file that begins with the link's first line.
    static bool IsLinkFile(const QString& path);
    // The link in the file at path; CannotOpen naming the file when it is not a sound link.
    static ServerLink Read(const QString& path);
    // Writes the link in place of path in one step (a new file renamed over it).
    static void Write(const QString& path, const QString& uri);
    // ValueRefused when uri is not a PostgreSQL connection text or holds a password.
    static void CheckUri(const QString& uri);

    explicit ServerLink(QString uri);
    const QString& Uri() const { return uri_; }
    // The database and its server as messages name them: "dict pe serverul db.example.ro:5432".
    QString Describe() const;

private:
    QString uri_;
};

}  // namespace tarvix
