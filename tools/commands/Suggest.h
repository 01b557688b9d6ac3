// suggest: links proposed from the chapters' own text, for the user to review and apply.
#pragma once

#include "tools/commands/WordForms.h"

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace tarvix::tool {

struct SuggestOptions {
    QString store;
    QStringList sources;                                // files and folders
    std::vector<std::pair<QString, QString>> chapters;  // --chapter "TITLU"=FILE
    bool csv = false;
    QString output;
    bool force = false;  // an existing --output replaced
    int min = 1;
    bool apply = false;
    QString applyFrom;
};

// One proposed link, by the indexes of its word and chapter in the store's lists.
struct Proposal {
    int word = 0;
    int chapter = 0;
    int count = 0;
    MatchKind kind = MatchKind::Exact;
    QString excerpt;  // the first occurrence with about 40 characters on either side
};

class Invocation;

int RunSuggest(const SuggestOptions& options);

// What the command line gave suggest; throws BadArguments for what does not fit together.
SuggestOptions SuggestOptionsOf(const Invocation& in);
// One --chapter "TITLU"=FIȘIER, and --min N; each throws BadArguments for a value it cannot take.
std::pair<QString, QString> SuggestChapterOption(const QString& value);
int SuggestMinOption(const QString& value);

}  // namespace tarvix::tool
