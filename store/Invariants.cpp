#include "store/Invariants.h"

#include "store/Schema.h"

#include "platform/engine/TextRules.h"
#include "platform/text/TextFunctions.h"

namespace tarvix::store {

namespace {

constexpr qint64 kKeyMin = -2147483648LL;
constexpr qint64 kKeyMax = 2147483647LL;

QString name(const char* s)
{
    return QString::fromLatin1(s);
}

std::optional<BrokenRule> keysBeyond32Bits(Database& db, const TextTable& t)
{
    // The key is the row id: its least and greatest are read from the table's b-tree ends.
    const auto row = db.QueryRows(
        QStringLiteral("SELECT (SELECT min(%1) FROM %2), (SELECT max(%1) FROM %2)").arg(name(t.key), name(t.table)));
    for (const Variant& v : row.at(0))
        if (!v.IsNull() && (v.ToInt64() < kKeyMin || v.ToInt64() > kKeyMax))
            return BrokenRule{QStringLiteral("tabela „%1” are cheia %2 = %3, care nu încape în 32 de biți")
                                  .arg(name(t.table), name(t.key), v.ToText()),
                              false};
    return std::nullopt;
}

// The Romanian letters, each beside its fold: with them a server checks the
// folds of nearly every Romanian text itself.
struct LetterFolds {
    QString letters, folds;
};
const LetterFolds& romanianFolds()
{
    static const LetterFolds table = [] {
        LetterFolds t{QStringLiteral("ăâîșțşţĂÂÎȘȚŞŢ"), {}};
        for (QChar c : t.letters)
            t.folds += FoldKey(QString(c));
        return t;
    }();
    return table;
}

// The first row whose text breaks the rule: its key, its text and the fault.
std::vector<std::vector<Variant>> firstTextFault(Database& db, const TextTable& t)
{
    if (!db.OnServer())
        return db.QueryRows(QStringLiteral("SELECT %1, %2, f FROM (SELECT %1, %2, tarvix_text_fault(%2, %2_Fold) "
                                           "AS f FROM %3) WHERE f <> 0 LIMIT 1")
                                .arg(name(t.key), name(t.text), name(t.table)));
    // A server cannot fold as the program does, but a text of ASCII and Romanian
    // letters folds letter by letter; only the other rows come over to be checked.
    const auto rows = db.QueryRows(
        QStringLiteral("SELECT %1, %2, %2_Fold FROM %3 WHERE NOT coalesce(CASE WHEN octet_length(%2) = "
                       "char_length(%2) THEN %2_Fold = upper(%2 COLLATE \"C\") ELSE %2 ~ ('^[ -~' || ?1 || ']*$') "
                       "AND %2_Fold = translate(upper(%2 COLLATE \"C\"), ?1, ?2) END, false) ORDER BY %1")
            .arg(name(t.key), name(t.text), name(t.table)),
        {Variant(romanianFolds().letters), Variant(romanianFolds().folds)});
    for (const auto& r : rows) {
        const auto fault = detail::TextFaultOf(r[1].ToText().toUtf8(), r[2].ToText().toUtf8());
        if (fault != detail::TextSound)
            return {{r[0], r[1], Variant(static_cast<std::int64_t>(fault))}};
    }
    return {};
}

std::optional<BrokenRule> textsOutOfRule(Database& db, const TextTable& t)
{
    const auto rows = firstTextFault(db, t);
    if (rows.empty())
        return std::nullopt;
    const auto& r = rows.front();
    if (r.at(2).ToInt64() == 1)
        return BrokenRule{QStringLiteral("%1 cu %2 %3 nu este text UTF-8 valid")
                              .arg(QString::fromUtf8(t.what), name(t.key), r[0].ToText()),
                          false};
    return BrokenRule{QStringLiteral("la %1 „%2” (%3 %4), câmpul %5_Fold nu mai corespunde textului")
                          .arg(QString::fromUtf8(t.what), r[1].ToText(), name(t.key), r[0].ToText(), name(t.text)),
                      true};
}

// A link to a key above the greatest in its table would belong to the next row
// added there. Keys are never given twice, so a link to a deleted key stays
// unseen by every window: check finds those. Both ends come from indexes.
std::optional<BrokenRule> linksBeyond(Database& db, const TextTable& t)
{
    const auto rows =
        db.QueryRows(QStringLiteral("SELECT l FROM (SELECT (SELECT max(%1) FROM %2) AS l, (SELECT "
                                    "max(%1) FROM %3) AS t) AS ends WHERE l IS NOT NULL AND (t IS NULL OR l > t)")
                         .arg(name(t.key), QString::fromLatin1(kLinks), name(t.table)));
    if (rows.empty())
        return std::nullopt;
    const Variant& linked = rows[0][0];
    return BrokenRule{QStringLiteral("o legătură trimite la %1 cu %2 %3, care nu există")
                          .arg(QString::fromUtf8(t.what), name(t.key), linked.ToText()),
                      true};
}

}  // namespace

std::optional<BrokenRule> FirstBrokenRule(Database& db)
{
    for (const TextTable* t : {&kWords, &kChapters}) {
        if (auto b = keysBeyond32Bits(db, *t))
            return b;
        if (auto b = textsOutOfRule(db, *t))
            return b;
    }
    for (const TextTable* t : {&kWords, &kChapters})
        if (auto b = linksBeyond(db, *t))
            return b;
    return std::nullopt;
}

std::vector<std::vector<Variant>> TextsWithFaults(Database& db, const TextTable& t)
{
    if (!db.OnServer())
        return db.QueryRows(QStringLiteral("SELECT %2, %3, %3_Fold, tarvix_text_fault(%3, %3_Fold) FROM %1 ORDER BY %2")
                                .arg(name(t.table), name(t.key), name(t.text)));
    auto rows = db.QueryRows(
        QStringLiteral("SELECT %2, %3, %3_Fold, 0 FROM %1 ORDER BY %2").arg(name(t.table), name(t.key), name(t.text)));
    for (auto& r : rows)
        r[3] = Variant(static_cast<std::int64_t>(detail::TextFaultOf(r[1].ToText().toUtf8(), r[2].ToText().toUtf8())));
    return rows;
}

std::vector<OrphanLink> LinksWithoutTheirRows(Database& db)
{
    std::vector<OrphanLink> out;
    for (
        const auto& r : db.QueryRows(QStringLiteral(
            "SELECT l.rowid, l.ID_Cuvant, l.ID_Capitol, d.Cuvant, c.Capitol, d.ID_Cuvant IS NULL, c.ID_Capitol IS NULL "
            "FROM tblLegatura AS l LEFT JOIN tblDictionar AS d ON d.ID_Cuvant = l.ID_Cuvant "
            "LEFT JOIN tblCapitol AS c ON c.ID_Capitol = l.ID_Capitol "
            "WHERE d.ID_Cuvant IS NULL OR c.ID_Capitol IS NULL ORDER BY l.rowid")))
        out.push_back({r[0], r[1], r[2], r[3].ToText(), r[4].ToText(), r[5].ToInt64() != 0, r[6].ToInt64() != 0});
    return out;
}

void RequireSoundStore(Database& db)
{
    const std::optional<BrokenRule> broken = FirstBrokenRule(db);
    if (!broken)
        return;
    const QString file = db.FilePath().section(QLatin1Char('/'), -1);
    const QString mend = broken->mendable
                             ? QStringLiteral("Comanda „tarvix-db check --repair %1” o repară.").arg(file)
                             : QStringLiteral("Comanda „tarvix-db check %1” arată toate rândurile de îndreptat; "
                                              "ele nu se pot repara fără să fie schimbate de mână.")
                                   .arg(file);
    throw EngineError(err::Corrupt,
                      QStringLiteral("Baza de date „%1” a fost schimbată în afara programului și nu mai respectă o "
                                     "regulă de care depinde Tarvix: %2. Ca să nu lucreze pe alt rând decât cel ales, "
                                     "programul nu o deschide. %3")
                          .arg(file, broken->text, mend));
}

}  // namespace tarvix::store
