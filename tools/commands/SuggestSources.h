// The chapters suggest reads: every file of the sources (folders walked),
// read, split when a whole book, and matched to the store's titles. What is
// refused, matched to no title, or names a title another source names too is
// kept to be reported, never used.
#pragma once

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace tarvix::tool {

struct SourceChapter {
    int title = 0;   // index into the titles given
    QString origin;  // the file, and the part of a book, for messages
    QString text;
};

struct SourceReport {
    std::vector<SourceChapter> chapters;  // each title at most once
    QStringList refused;                  // "file: reason"
    QStringList unmatched;
    QStringList doubled;
    int files = 0;
};

// chapters: --chapter (title text, file) pairs. Throws Failure (BadArguments) for a
// --chapter title the store does not have, or a source that does not exist.
SourceReport ReadSources(const QStringList& titles, const QStringList& sources,
                         const std::vector<std::pair<QString, QString>>& chapters);

}  // namespace tarvix::tool
