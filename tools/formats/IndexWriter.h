// One document format of the index: how texts are escaped and what goes around them.
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

namespace tarvix::tool {

// One document format.
class IndexWriter {
public:
    virtual ~IndexWriter() = default;
    virtual QByteArray escape(const QString& text) const = 0;
    virtual void begin(QByteArray& out) const = 0;
    virtual void empty(QByteArray& out) const = 0;
    virtual void group(QByteArray& out, const QString& heading, bool first) const = 0;
    virtual void word(QByteArray& out, const QByteArray& word) const = 0;
    // The whole line of one chapter under its word.
    virtual QByteArray chapterLine(const QByteArray& chapter) const = 0;
    virtual void endWord(QByteArray& out) const = 0;
    virtual void endIndex(QByteArray& out) const = 0;
    virtual void unlinked(QByteArray& out, const std::vector<QByteArray>& words) const = 0;
    virtual void note(QByteArray& out, const std::vector<QByteArray>& chapters) const = 0;
    virtual void end(QByteArray& out) const = 0;
};

// What every format writes, in its own markup.
inline constexpr const char* kIndexTitle = "Index";
inline constexpr const char* kNothingLinked = "Niciun cuvânt nu are capitole.";
inline constexpr const char* kUnlinkedHeading = "Cuvinte fără capitole";
inline constexpr const char* kLonelyNote = "Capitole fără cuvinte:";

// The items with "; " between them.
QByteArray JoinedIndexItems(const std::vector<QByteArray>& items);

}  // namespace tarvix::tool
