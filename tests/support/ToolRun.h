// tarvix-db run as a real program, and what tests read back from files it makes.
#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace tarvix::test {

struct Run {
    int code = -1;  // -1: crashed or did not finish in time
    QString out;
    QString err;
};

// Runs tarvix-db in cwd; waits at most timeoutMs. env: variables to set for it, "NAME=value".
Run tool(const QString& cwd, const QStringList& args, int timeoutMs = 120000, const QStringList& env = {});

// A file's bytes, or "<missing>".
QByteArray bytesOf(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);

// The first field of each row of a plain SQLite query on a store file, in the order the query gives.
QStringList column(const QString& file, const QString& sql);

// Words, chapters and links as sorted texts ("W ...", "C ...", "L word / chapter"): what a store holds, whatever its
// keys.
QStringList contentOf(const QString& file);

}  // namespace tarvix::test
