// Inside the engine: translations of the windows' statements, remembered.
#pragma once

#include "platform/engine/Dialect.h"

#include <QHash>
#include <QString>

#include <vector>

namespace tarvix::detail {

// Remembers translations by the statement's shape (its text with the quoted
// values taken out), so a search for another keyword skips the parse.
class TranslationCache {
public:
    Translated translate(const QString& text, const Schema& schema);
    void clear() { entries_.clear(); }

private:
    struct Entry {
        Translated shape;          // params hold nothing
        std::vector<bool> folded;  // per value: compared folded
    };
    QHash<QString, Entry> entries_;
};

}  // namespace tarvix::detail
