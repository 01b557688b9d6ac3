// Inside the engine: the fold key and the text rules as SQL functions, so a
// whole table is checked or mended in one statement.
#pragma once

#include <QByteArrayView>

struct sqlite3;

namespace tarvix::detail {

// What tarvix_text_fault(text, fold) answers for one row.
enum TextFault : int {
    TextSound = 0,
    TextNotUtf8 = 1,    // not a text, or bytes that are not UTF-8
    FoldOutOfStep = 2,  // the fold column does not hold the fold of the text
};

// The fault of one text and its fold, both UTF-8 as the store holds them:
// for a store where the rule runs outside SQL (a server).
TextFault TextFaultOf(QByteArrayView text, QByteArrayView fold);

// tarvix_fold(text): the fold key (NULL for what is not UTF-8 text);
// tarvix_text_fault(text, fold): a TextFault.
void RegisterTextRules(sqlite3* db);

}  // namespace tarvix::detail
