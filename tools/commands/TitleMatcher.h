// Which chapter of the store a file (or a part of a book) holds: its first
// heading, else its first line, else its file name, compared with the titles by
// the store's fold, a leading chapter number and the extension left out.
// Nothing is guessed: a source that names no title, or a title two sources
// name, is reported, not used.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

namespace tarvix::tool {

// "3. Algoritmi", "Capitolul III - Algoritmi", "03_algoritmi" -> the key of "ALGORITMI":
// letter case, the number in front and the punctuation between words left out.
QString TitleKey(const QString& text);

class TitleMatcher {
public:
    explicit TitleMatcher(const QStringList& titles);

    // The index of the title the candidates name (tried in order, then again
    // without diacritics, as file names are often written), or -1.
    int Match(const QStringList& candidates) const;
    // The title's index by its text as the user typed it (--chapter), or -1.
    int Exact(const QString& title) const;

private:
    int lookup(const QHash<QString, int>& keys, const QStringList& candidates, bool plain) const;
    QHash<QString, int> fullKeys_;  // the whole title by fold, number included
    QHash<QString, int> keys_;
    QHash<QString, int> plainKeys_;  // without diacritics; -2 where two titles share one
};

// What a file name says as a title: the extension left out, _ read as a blank.
QString TitleOfFileName(const QString& fileName);

}  // namespace tarvix::tool
