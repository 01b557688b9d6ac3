#include "platform/engine/TextRules.h"

#include "platform/text/TextFunctions.h"

#include <QByteArrayView>

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

bool isAscii(QByteArrayView s)
{
    for (const char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// Most words are plain letters: their fold is compared without building a QString.
bool foldMatches(QByteArrayView text, QByteArrayView fold)
{
    if (isAscii(text)) {
        if (fold.size() != text.size())
            return false;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char c = text[i];
            const char up = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
            if (fold[i] != up)
                return false;
        }
        return true;
    }
    return FoldKey(QString::fromUtf8(text)).toUtf8() == fold;
}

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
