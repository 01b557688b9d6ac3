// One side of a Jet import, words or chapters: the file's rows become the
// rows to store, each text taken in by the store's one rule for texts from outside.
#pragma once

#include "store/Schema.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace tarvix::tool {

struct SourceRow {
    std::optional<qint32> key;
    std::optional<QByteArray> text;  // UTF-8, or Jet 3 bytes
    bool undecodable = false;        // bytes that are no text: refused, never guessed at
};

struct StoredRow {
    std::optional<qint32> sourceKey;
    qint32 key = 0;
    QString text;
};

// Words or chapters, from their rows in the file to the rows to store.
class JetSide {
public:
    using KeyRow = std::pair<qint32, qint32>;  // a key in the file -> the key of the row stored for it

    explicit JetSide(const store::TextTable& table);

    // Decodes the rows read, takes each text in by the store's rule, merges those that fold alike and gives each its
    // key.
    void build(const std::function<QString(const QByteArray&)>& decode);
    // The rows stored for a key of the file, by their keys in the store: none, one, or several when the file
    // repeats the key.
    std::pair<const KeyRow*, const KeyRow*> rowsOf(qint32 key) const;
    // Why a link to this key has nothing to join.
    QString missing(qint32 key) const;

    QString title;    // "Cuvinte"
    const char* one;  // "cuvânt"
    int boxMax;       // the editor's box
    std::vector<SourceRow> rows;
    std::vector<StoredRow> stored;
    long long merged = 0, skipped = 0;
    QStringList merges, skips, longTexts;

private:
    std::vector<KeyRow> byKey;  // sorted by key
    std::vector<int> dense;     // key - denseBase -> first place in byKey, or -1
    qint64 denseBase = 0;
    QHash<qint32, QString> refusedKeys;  // a key whose row was not stored -> why, as a link is told
};

}  // namespace tarvix::tool
