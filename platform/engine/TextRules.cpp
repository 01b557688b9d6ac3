#include "platform/engine/TextRules.h"

#include "platform/text/TextFunctions.h"

#include <QByteArrayView>

#include <algorithm>

#include <sqlite3.h>

namespace tarvix::detail {

namespace {

// The text's UTF-8 bytes, or false for NULL, a number, a blob or bytes that are not UTF-8.
bool utf8Of(sqlite3_value* v, QByteArrayView& out)
{
    if (sqlite3_value_type(v) != SQLITE_TEXT)
        return false;
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    out = QByteArrayView(p, sqlite3_value_bytes(v));
    return FirstBadUtf8(out) < 0;
}

// Letters whose capital is one letter, as FoldKey makes it, or 0 where only
// the whole text's case mapping will do (ß becomes SS).
char32_t foldedLetter(char32_t cp)
{
    if (cp == 0xDF || cp == 0x149 || cp == 0x1F0)
        return 0;
    return CommaForm(QChar::toUpper(cp));
}

// Latin texts, Romanian letters included, are compared letter by letter
// without building a QString; anything else goes through FoldKey.
bool foldMatches(QByteArrayView text, QByteArrayView fold)
{
    // From U+0240 on (a lead byte of 0xC9 or more) come combining marks, which
    // compose with the letter before them, and scripts past Latin.
    if (std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0xC9; }))
        return FoldKey(QString::fromUtf8(text)).toUtf8() == fold;
    qsizetype i = 0, j = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (static_cast<unsigned char>(c) < 0x80) {
            if (j >= fold.size() || fold[j] != (c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c))
                return false;
            ++i, ++j;
            continue;
        }
        const char32_t want = foldedLetter(NextUtf8(text, i));
        if (want == 0)
            return FoldKey(QString::fromUtf8(text)).toUtf8() == fold;
        if (j >= fold.size() || NextUtf8(fold, j) != want)
            return false;
    }
    return j == fold.size();
}

}  // namespace

TextFault TextFaultOf(QByteArrayView text, QByteArrayView fold)
{
    if (FirstBadUtf8(text) >= 0)
        return TextNotUtf8;
    return foldMatches(text, fold) ? TextSound : FoldOutOfStep;
}

namespace {

void foldFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    QByteArrayView text;
    if (!utf8Of(argv[0], text)) {
        sqlite3_result_null(ctx);
        return;
    }
    const QByteArray key = FoldKey(QString::fromUtf8(text)).toUtf8();
    sqlite3_result_text(ctx, key.constData(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
}

void faultFunction(sqlite3_context* ctx, int, sqlite3_value** argv)
{
    QByteArrayView text, fold;
    if (!utf8Of(argv[0], text)) {
        sqlite3_result_int(ctx, TextNotUtf8);
        return;
    }
    const bool ok = sqlite3_value_type(argv[1]) == SQLITE_TEXT
                    && foldMatches(text, QByteArrayView(reinterpret_cast<const char*>(sqlite3_value_text(argv[1])),
                                                        sqlite3_value_bytes(argv[1])));
    sqlite3_result_int(ctx, ok ? TextSound : FoldOutOfStep);
}

}  // namespace

void RegisterTextRules(sqlite3* db)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_DIRECTONLY;
    sqlite3_create_function_v2(db, "tarvix_fold", 1, flags, nullptr, foldFunction, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "tarvix_text_fault", 2, flags, nullptr, faultFunction, nullptr, nullptr, nullptr);
}

}  // namespace tarvix::detail
