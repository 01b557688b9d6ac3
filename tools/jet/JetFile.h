// What the first page of a Jet (Access) file says about it, read without
// libmdb, so a foreign or damaged file is refused before the reader sees it.
#pragma once

#include <QByteArray>
#include <QString>

namespace tarvix::tool {

struct JetHeader {
    int version = 0;   // the byte at 0x14: 0 Jet 3, 1 Jet 4, 2 and up ACE
    int pageSize = 0;  // 2048 for Jet 3, 4096 after it
    int codePage = 0;  // Jet 3: the code page its texts are written in
    bool encrypted = false;
    QString password;  // the database password Access asks for; empty when there is none
    QString format;    // "Jet 3 (Access 97)", ...
    QString problem;   // empty when the file may be given to the reader
    bool ok() const { return problem.isEmpty(); }
};

// head: at least the first page (shorter is itself a problem); size: the file's length.
JetHeader InspectJet(const QByteArray& head, qint64 size);
// Reads the first page of a regular file and inspects it.
JetHeader InspectJetFile(const QString& path);

}  // namespace tarvix::tool
