// A whole store copied into another, empty one, file or server either way:
// the three tables, their rules, every row with its key, the keys already
// given, in one transaction of the target; then read back and compared row by row.
#pragma once

#include "platform/Engine.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace tarvix::tool {

class StoreCopy {
public:
    // Reads every row of from (a store whose rules hold).
    explicit StoreCopy(Database& from);
    // Makes the tables in to, which holds none, and writes the rows; all or nothing.
    // Raises Failure when to holds tables, or when a row read back differs.
    void WriteInto(Database& to) const;
    // Rows copied: words, chapters, links.
    std::int64_t Words() const { return static_cast<std::int64_t>(words_.size()); }
    std::int64_t Chapters() const { return static_cast<std::int64_t>(chapters_.size()); }
    std::int64_t Links() const { return static_cast<std::int64_t>(links_.size()); }

    // Raises Failure naming the database unless it holds no table at all.
    static void RequireEmpty(Database& db, const QString& name);

private:
    using Rows = std::vector<std::vector<Variant>>;
    void verify(Database& to) const;
    Rows words_, chapters_, links_;
    // The greatest key each table has given, deleted rows included (never given again).
    std::int64_t wordsGiven_ = 0, chaptersGiven_ = 0;
};

}  // namespace tarvix::tool
