// What an import must store for a sample Jet file, as its FILE.expected.tsv says: the options the file
// needs, the report's figures, and the words, chapters and links in the form contentOf gives them.
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace tarvix::test {

struct ExpectedImport {
    QStringList args;             // import-mdb options the file needs
    QMap<QString, int> counts;    // words_read, words_kept, ... links_left_out
    QStringList content;          // "W ...", "C ...", "L word / chapter", each part sorted
    QStringList refusedWordKeys;  // keys of texts refused for an invisible character
};

// Fails the running test when the file cannot be read.
ExpectedImport ReadExpectedImport(const QString& tsvPath);

}  // namespace tarvix::test
