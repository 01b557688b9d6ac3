// The rules whose breach would make the program act on the wrong row: checked
// each time a store is opened, one cheap query per rule.
#pragma once

#include "platform/Engine.h"
#include "store/Schema.h"

#include <QString>

#include <optional>
#include <vector>

namespace tarvix::store {

// One broken rule, in the user's words, naming a row that breaks it.
struct BrokenRule {
    QString text;
    bool mendable;  // tarvix-db check --repair mends it without losing a row
};

// The first broken rule among: every fold is the fold of its text, texts are
// UTF-8, keys fit in 32 bits, no link waits for a word or chapter not yet added.
std::optional<BrokenRule> FirstBrokenRule(Database& db);

// A row of tblLegatura whose word or chapter is not there: no window ever shows it.
struct OrphanLink {
    Variant row;                    // its rowid
    Variant word, chapter;          // the keys it holds
    QString wordText, chapterText;  // of the one that is there, else empty
    bool noWord = false, noChapter = false;
};
// Every such link, in the order they were added.
std::vector<OrphanLink> LinksWithoutTheirRows(Database& db);

// Every row of a text table in key order: its key, text, fold and the text's
// fault (detail::TextFault, 0 when sound). A file computes the fault itself; a
// server cannot fold, so its rows are checked here.
std::vector<std::vector<Variant>> TextsWithFaults(Database& db, const TextTable& t);

// Raises Corrupt, naming the rule and the command that mends it, when one is broken.
void RequireSoundStore(Database& db);

}  // namespace tarvix::store
