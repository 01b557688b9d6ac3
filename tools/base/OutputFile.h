// A file a command writes for the user (CSV, index): made under a new name
// beside its own and renamed over it once whole, so whatever lay under the
// name is replaced, never written through. A name that holds anything but a
// regular file (a link, a folder, a pipe) is refused, --force or not.
#pragma once

#include <QByteArray>
#include <QString>

namespace tarvix::tool {

class OutputFile {
public:
    // Checks the name (Exists) and makes the new file beside it.
    OutputFile(const QString& path, bool force);
    // The new file goes unless it took its name.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // All of bytes, on the disk before Commit.
    void Write(const QByteArray& bytes);
    // Checks the name once more and puts the new file in its place; without
    // force a file that appeared meanwhile is not replaced.
    void Commit();

    // True when a regular file has the name, false when nothing has it;
    // anything else is refused (FileProblem), naming where a link points.
    static bool Exists(const QString& path);

private:
    [[noreturn]] void fail() const;

    QString given_;
    QString shown_;
    QByteArray path_;
    QByteArray temp_;
    int fd_ = -1;
    bool force_;
    bool committed_ = false;
};

}  // namespace tarvix::tool
