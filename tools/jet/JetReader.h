// The parent's side of the Jet reader: checks the file, runs the reader in a
// child process stopped when it stalls, and hands its tables and rows on.
#pragma once

#include "tools/jet/JetFile.h"
#include "tools/jet/JetProtocol.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace tarvix::tool {

class JetReader {
public:
    // Throws Failure (FileProblem) for a file that is not a readable Jet file.
    explicit JetReader(QString path);

    const JetHeader& header() const { return header_; }
    // The user tables with their columns.
    std::vector<JetTableInfo> Tables();
    // After Tables: the tables linked to other files (a split database), with the file each lives in.
    const std::vector<std::pair<QString, QString>>& LinkedTables() const { return linked_; }

    struct Request {
        QString table;  // as the file spells it
        QStringList columns;
    };
    // Each table's rows, in order; a row count that differs from the table's own is damage (Failure).
    void Read(const std::vector<Request>& requests,
              const std::function<void(std::size_t request, const std::vector<JetField>&)>& onRow);

    // Seconds the reader may go without giving anything before it is stopped.
    static constexpr int kStallSeconds = 10;

private:
    void run(const QStringList& arguments, JetOutputParser& parser);
    QString path_;
    JetHeader header_;
    qint64 size_ = 0;
    std::vector<std::pair<QString, QString>> linked_;
};

}  // namespace tarvix::tool
