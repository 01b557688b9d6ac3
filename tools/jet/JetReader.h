// The parent's side of the Jet reader: checks the file, runs the reader in one
// child process stopped when it stalls, and hands its tables and rows on.
#pragma once

#include "tools/jet/GuardedChild.h"
#include "tools/jet/JetFile.h"
#include "tools/jet/JetProtocol.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace tarvix::tool {

class JetReader {
public:
    // Throws Failure (FileProblem) for a file that is not a readable Jet file.
    explicit JetReader(QString path);
    ~JetReader();

    const JetHeader& header() const { return header_; }
    // The user tables with their columns; starts the reader, which then waits to be told what to read.
    const std::vector<JetTableInfo>& Tables();
    // After Tables: the tables linked to other files (a split database), with the file each lives in.
    const std::vector<std::pair<QString, QString>>& LinkedTables() const { return linked_; }

    struct Request {
        QString table;  // as the file spells it
        QStringList columns;
    };
    // After Tables: each table's rows, in order; a row count that differs from the table's own is damage (Failure).
    void Read(const std::vector<Request>& requests,
              const std::function<void(std::size_t request, const std::vector<JetField>&)>& onRow);

    // Seconds the reader may go without giving anything before it is stopped.
    static constexpr int kStallSeconds = 10;

private:
    // Hands the reader's output to the parser until it waits (W) or, when untilWaiting is false, ends.
    void pump(bool untilWaiting);
    [[noreturn]] void damaged(const QString& how) const;
    QString path_;
    QString name_;
    JetHeader header_;
    std::unique_ptr<GuardedChild> child_;
    JetOutputParser parser_;
    QByteArray err_;
    bool waiting_ = false;
    std::vector<JetTableInfo> tables_;
    std::vector<std::pair<QString, QString>> linked_;
};

}  // namespace tarvix::tool
