// "run": the store edited at random the way the editors do, each change
// announced before it starts and reported once committed.
#pragma once

#include "stress/StressState.h"

#include "store/Statements.h"

#include <random>

namespace tarvix::stress {

class Runner {
public:
    Runner(Database& db, unsigned seed) : db_(db), rng_(seed), state_(readState(db)) {}

    void change(long seq)
    {
        // Each table hovers around kFull rows: past it, its adds turn into deletes.
        const int roll = pick(100);
        const bool wordsFull = state_.words.size() > kFull, chaptersFull = state_.chapters.size() > kFull;
        if (roll < 20)
            wordsFull ? deleteRow(seq, true) : add(seq, true);
        else if (roll < 35)
            chaptersFull ? deleteRow(seq, false) : add(seq, false);
        else if (roll < 50)
            modify(seq, pick(2) == 0);
        else if (roll < 58)
            deleteRow(seq, true);
        else if (roll < 64)
            deleteRow(seq, false);
        else if (roll < 88)
            addLink(seq);
        else
            deleteLink(seq);
    }

private:
    static constexpr std::size_t kFull = 80;

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    // Upper-case Romanian words as the editors save them, now and then with
    // lower case, the cedilla forms, quotes and inner blanks; short ones repeat.
    QString text()
    {
        static const QString letters = QStringLiteral("ABCDEFGHIJLMNOPRSTUVXZĂÂÎȘȚ");
        static const QString odd = QStringLiteral("aăşŞţ\"' -");
        const int length = pick(4) == 0 ? 1 + pick(2) : 1 + pick(25);
        QString t;
        for (int i = 0; i < length; ++i)
            t += pick(8) == 0 ? odd[pick(static_cast<int>(odd.size()))]
                              : letters[pick(static_cast<int>(letters.size()))];
        t = t.trimmed();
        return t.isEmpty() ? QStringLiteral("A") : t;
    }

    template <class Map>
    std::int64_t anyKey(const Map& m)
    {
        auto it = m.begin();
        std::advance(it, pick(static_cast<int>(m.size())));
        return it->first;
    }

    static QString table(bool word) { return word ? QStringLiteral("tblDictionar") : QStringLiteral("tblCapitol"); }
    static QString field(bool word) { return word ? QStringLiteral("Cuvant") : QStringLiteral("Capitol"); }
    static QString key(bool word) { return word ? QStringLiteral("ID_Cuvant") : QStringLiteral("ID_Capitol"); }

    void add(long seq, bool word)
    {
        const QString t = text();
        auto rs = db_.OpenRecordset(table(word), dbOpenDynaset);
        rs->AddNew();
        rs->Collect(field(word)) = t;
        say(QStringLiteral("B %1 %2 %3").arg(seq).arg(word ? "AW" : "AC", hex(t)));
        try {
            rs->Update();
        } catch (const EngineError& e) {
            if (e.Number() != err::Duplicate)
                throw;
            rs->CancelUpdate();
            say(QStringLiteral("NO %1 %2").arg(seq).arg(e.Number()));
            return;
        }
        const std::int64_t id =
            db_.QueryValue(QStringLiteral("SELECT max(%1) FROM %2").arg(key(word), table(word))).ToInt64();
        say(QStringLiteral("OK %1 %2").arg(seq).arg(id));
        (word ? state_.words : state_.chapters)[id] = t;
        rs->Close();
    }

    // The editors reach a row again by a fresh dynaset and a move from its first row.
    void modify(long seq, bool word)
    {
        auto& rows = word ? state_.words : state_.chapters;
        if (rows.empty())
            return add(seq, word);
        auto rs = db_.OpenRecordset(table(word), dbOpenDynaset);
        const int count = rs->RecordCount();
        rs->MoveFirst();
        rs->Move(pick(count));
        const std::int64_t id = rs->Fields(key(word)).Value.ToInt64();
        const QString t = text();
        rs->Edit();
        rs->Collect(field(word)) = t;
        say(QStringLiteral("B %1 %2 %3 %4").arg(seq).arg(word ? "MW" : "MC").arg(id).arg(hex(t)));
        try {
            rs->Update();
        } catch (const EngineError& e) {
            if (e.Number() != err::Duplicate)
                throw;
            rs->CancelUpdate();
            say(QStringLiteral("NO %1 %2").arg(seq).arg(e.Number()));
            return;
        }
        say(QStringLiteral("OK %1").arg(seq));
        rows[id] = t;
        rs->Close();
    }

    void deleteRow(long seq, bool word)
    {
        auto& rows = word ? state_.words : state_.chapters;
        if (rows.empty())
            return;
        // The editors delete by the text in their list; a lower-case spelling must delete the same row.
        QString t = rows[anyKey(rows)];
        if (pick(4) == 0)
            t = t.toLower();
        say(QStringLiteral("B %1 %2 %3").arg(seq).arg(word ? "DW" : "DC", hex(t)));
        db_.Execute(word ? store::DeleteWordStatement(t) : store::DeleteChapterStatement(t));
        say(QStringLiteral("OK %1").arg(seq));
        std::erase_if(state_.links, [&](const auto& l) { return same(rows[word ? l.first : l.second], t); });
        std::erase_if(rows, [&](const auto& r) { return same(r.second, t); });
    }

    // The links editor adds a pair it does not list yet, with lower-case field names.
    void addLink(long seq)
    {
        if (state_.words.empty() || state_.chapters.empty())
            return add(seq, pick(2) == 0);
        const std::int64_t w = anyKey(state_.words), c = anyKey(state_.chapters);
        if (state_.links.count({w, c}))
            return;
        auto rs = db_.OpenRecordset(QStringLiteral("tblLegatura"), dbOpenDynaset);
        rs->AddNew();
        rs->Collect(QStringLiteral("id_cuvant")) = static_cast<std::int32_t>(w);
        rs->Collect(QStringLiteral("id_capitol")) = static_cast<std::int32_t>(c);
        say(QStringLiteral("B %1 AL %2 %3").arg(seq).arg(w).arg(c));
        rs->Update();
        say(QStringLiteral("OK %1").arg(seq));
        rs->Close();
        state_.links.insert({w, c});
    }

    void deleteLink(long seq)
    {
        if (state_.links.empty())
            return addLink(seq);
        auto it = state_.links.begin();
        std::advance(it, pick(static_cast<int>(state_.links.size())));
        const QString title = state_.chapters[it->second], word = state_.words[it->first];
        say(QStringLiteral("B %1 DL %2 %3").arg(seq).arg(hex(title), hex(word)));
        db_.Execute(store::DeleteLinkStatement(title, word));
        say(QStringLiteral("OK %1").arg(seq));
        std::erase_if(state_.links, [&](const auto& l) {
            return same(state_.words[l.first], word) && same(state_.chapters[l.second], title);
        });
    }

    Database& db_;
    std::mt19937 rng_;
    State state_;
};

}  // namespace tarvix::stress
