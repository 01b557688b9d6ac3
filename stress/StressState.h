// What the stress program keeps of a store: its rows by key, and how it writes
// and reads them (texts in hex, so any character survives a line).
#pragma once

#include "platform/Engine.h"

#include <QString>

#include <cstdint>
#include <map>
#include <set>

namespace tarvix::stress {

struct State {
    std::map<std::int64_t, QString> words, chapters;
    std::multiset<std::pair<std::int64_t, std::int64_t>> links;  // word, chapter
    bool operator==(const State&) const = default;
};

QString hex(const QString& t);
QString unhex(const QString& h);
// Texts the store takes as one.
bool same(const QString& a, const QString& b);
// One line on stdout, flushed at once: the check trusts what was printed before a kill.
void say(const QString& line);

State readState(Database& db);
QString dumpState(const State& s);
State parseState(const QString& text);

}  // namespace tarvix::stress
