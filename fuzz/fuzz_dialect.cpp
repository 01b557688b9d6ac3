// Any byte string as a statement text: it translates into SQLite text whose
// only values are bound parameters, or it raises one of the translator's three
// errors. Never a crash, a hang, a leak or undefined behaviour.
#include "FuzzSchema.h"

#include "platform/engine/Dialect.h"

#include <sqlite3.h>

#include <QSet>

#include <cstddef>
#include <cstdint>

using namespace tarvix;
using fuzz::require;

namespace {

fuzz::FuzzStore* gStore = nullptr;
sqlite3* gRaw = nullptr;  // a second, read-only handle to prepare the translated text on
const detail::Schema* gSchema = nullptr;
QSet<QString>* gNames = nullptr;

// The translated text may hold only schema names (quoted), numbered parameters
// in order, and the fixed words and marks of the statements it writes.
void checkShape(const detail::Translated& t)
{
    static const QSet<QString> words{QStringLiteral("SELECT"), QStringLiteral("DELETE"), QStringLiteral("FROM"),
                                     QStringLiteral("WHERE"),  QStringLiteral("AND"),    QStringLiteral("AS"),
                                     QStringLiteral("IN"),     QStringLiteral("rowid")};
    const QString& s = t.sql;
    qsizetype i = 0;
    std::size_t nextParam = 1;
    while (i < s.size()) {
        const QChar c = s[i];
        if (c == u' ' || c == u'.' || c == u',' || c == u'(' || c == u')' || c == u'=') {
            ++i;
        } else if (c == u'"') {
            const qsizetype end = s.indexOf(u'"', i + 1);
            require(end > i, "unclosed name in translation", s);
            require(gNames->contains(s.mid(i + 1, end - i - 1)), "name outside the schema in translation", s);
            i = end + 1;
        } else if (c == u'?') {
            qsizetype j = i + 1;
            while (j < s.size() && s[j].isDigit())
                ++j;
            require(s.mid(i + 1, j - i - 1) == QString::number(nextParam), "parameters out of order", s);
            ++nextParam;
            i = j;
        } else if (c.isLetter()) {
            qsizetype j = i;
            while (j < s.size() && s[j].isLetter())
                ++j;
            require(words.contains(s.mid(i, j - i)), "unexpected word in translation", s);
            i = j;
        } else {
            fuzz::fail("unexpected character in translation", s);
        }
    }
    require(nextParam - 1 == t.params.size(), "parameter count differs from values", s);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    gStore = new fuzz::FuzzStore;
    gSchema = new detail::Schema(fuzz::StoreSchema());
    gNames = new QSet<QString>;
    for (const detail::TableInfo& t : gSchema->tables) {
        gNames->insert(t.name);
        for (const detail::ColumnInfo& c : t.columns) {
            gNames->insert(c.name);
            if (!c.foldColumn.isEmpty())
                gNames->insert(c.foldColumn);
        }
    }
    const QByteArray path = gStore->file().toUtf8();
    require(sqlite3_open_v2(path.constData(), &gRaw, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK, "open raw handle");
    std::atexit([] {
        sqlite3_close_v2(gRaw);
        delete gNames;
        delete gSchema;
        delete gStore;
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    detail::Translated t;
    try {
        t = detail::Translate(text, *gSchema);
    } catch (const EngineError& e) {
        require(e.Number() == err::StatementNotUnderstood || e.Number() == err::UnknownTable
                    || e.Number() == err::UnknownField,
                "unexpected error number", QString::number(e.Number()) + QLatin1Char(' ') + e.Text());
        require(!e.Text().isEmpty() && e.what()[0] != '\0', "error without a text");
        return 0;
    }
    // A second translation of the same text gives the same statement.
    const detail::Translated again = detail::Translate(text, *gSchema);
    require(again.sql == t.sql && again.params == t.params && again.columns == t.columns, "translation not repeatable",
            text);

    require(t.sql.startsWith(t.kind == detail::Translated::Kind::Select ? QLatin1String("SELECT ")
                                                                        : QLatin1String("DELETE ")),
            "statement kind differs from its text", t.sql);
    require(t.kind == detail::Translated::Kind::Delete || !t.columns.empty(), "SELECT without columns", t.sql);
    checkShape(t);

    // SQLite takes the translation as it is, with exactly that many values and columns.
    const QByteArray sql = t.sql.toUtf8();
    sqlite3_stmt* st = nullptr;
    const int rc = sqlite3_prepare_v2(gRaw, sql.constData(), static_cast<int>(sql.size()), &st, nullptr);
    require(rc == SQLITE_OK, "SQLite refuses the translation",
            t.sql + QLatin1String(" : ") + QString::fromUtf8(sqlite3_errmsg(gRaw)));
    require(static_cast<std::size_t>(sqlite3_bind_parameter_count(st)) == t.params.size(), "parameter count", t.sql);
    if (t.kind == detail::Translated::Kind::Select)
        require(static_cast<std::size_t>(sqlite3_column_count(st)) == t.columns.size(), "column count", t.sql);
    else
        require(sqlite3_stmt_readonly(st) == 0, "DELETE that writes nothing", t.sql);
    sqlite3_finalize(st);
    return 0;
}
