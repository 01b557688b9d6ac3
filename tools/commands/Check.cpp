// check: the schema the program relies on, SQLite's own checks, the folded
// companion columns, the texts and keys the windows can show, and link rows
// that point at nothing.
#include "tools/base/StoreTool.h"
#include "tools/commands/Command.h"
#include "tools/commands/Commands.h"
#include "tools/commands/Repair.h"

#include "platform/text/TextFunctions.h"
#include "store/IncomingText.h"
#include "store/Invariants.h"
#include "store/Schema.h"

#include <QHash>

#include <functional>

namespace tarvix::tool {

namespace {

QString latin(const char* s)
{
    return QString::fromLatin1(s);
}

class Checker {
public:
    explicit Checker(Database& db) : db_(db) {}

    QStringList problems;
    QStringList warnings;

    // A step that cannot read the file counts as a problem; other engine errors go up.
    void step(const std::function<void()>& f)
    {
        try {
            f();
        } catch (const EngineError& e) {
            if (e.Number() == err::Corrupt || e.Number() == err::NotAStore || e.Number() == err::DiskError
                || e.Number() == err::EngineFailure)
                problems << DescribeEngineError(e);
            else
                throw;
        }
    }

    // The one value of a count over the schema, the names bound as parameters.
    Variant schemaCount(const QString& sql, const std::vector<Variant>& params)
    {
        return db_.QueryRows(sql, params).at(0).at(0);
    }

    void keyColumn(const QString& table, const QString& key)
    {
        const auto rows =
            db_.QueryRows(QStringLiteral("SELECT upper(type), pk, (SELECT count(*) FROM pragma_table_info(?1) "
                                         "WHERE pk > 0) FROM pragma_table_info(?1) WHERE lower(name) = lower(?2)"),
                          {table, key});
        if (rows.empty() || rows[0][0].ToText() != QLatin1String("INTEGER") || rows[0][1].ToInt64() != 1
            || rows[0][2].ToInt64() != 1)
            problems << QStringLiteral("în tabela „%1” câmpul „%2” nu este cheia dată de baza de date "
                                       "(INTEGER PRIMARY KEY).")
                            .arg(table, key);
        const QString sql = db_.QueryRows(QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'table' AND "
                                                         "lower(name) = lower(?1)"),
                                          {table})
                                .at(0)
                                .at(0)
                                .ToText();
        if (!sql.contains(QLatin1String("AUTOINCREMENT"), Qt::CaseInsensitive))
            problems << QStringLiteral(
                            "cheile tabelei „%1” pot fi refolosite după o ștergere (lipsește AUTOINCREMENT).")
                            .arg(table);
    }

    void textColumn(const QString& table, const QString& field)
    {
        const auto rows =
            db_.QueryRows(QStringLiteral("SELECT \"notnull\" FROM pragma_table_info(?1) WHERE lower(name) = lower(?2)"),
                          {table, field});
        if (rows.empty() || rows[0][0].ToInt64() != 1)
            problems
                << QStringLiteral("în tabela „%1” câmpul „%2” poate rămâne gol (lipsește NOT NULL).").arg(table, field);
        const QString fold = field + QStringLiteral("_Fold");
        const Variant unique =
            schemaCount(QStringLiteral("SELECT count(*) FROM pragma_index_list(?1) AS il WHERE il.\"unique\" "
                                       "= 1 AND (SELECT count(*) FROM pragma_index_info(il.name)) = 1 "
                                       "AND (SELECT lower(name) FROM pragma_index_info(il.name)) = lower(?2)"),
                        {table, fold});
        if (unique.ToInt64() == 0)
            problems << QStringLiteral("în tabela „%1” câmpul „%2” nu are un index unic: baza de date nu mai refuză "
                                       "dublurile.")
                            .arg(table, fold);
    }

    void linkRules()
    {
        const QString links = latin(store::kLinks);
        const auto fks = db_.QueryRows(QStringLiteral("SELECT lower(\"table\"), lower(\"from\"), upper(on_delete) "
                                                      "FROM pragma_foreign_key_list(?1)"),
                                       {links});
        for (const store::TextTable* t : {&store::kWords, &store::kChapters}) {
            bool cascade = false;
            for (const auto& fk : fks)
                cascade = cascade
                          || (fk[0].ToText() == latin(t->table).toLower() && fk[1].ToText() == latin(t->key).toLower()
                              && fk[2].ToText() == QLatin1String("CASCADE"));
            if (!cascade)
                problems << QStringLiteral("câmpul „%1” din „%2” nu trimite la „%3” cu ștergere în cascadă: ștergerea "
                                           "unui %4 i-ar lăsa legăturile în urmă.")
                                .arg(latin(t->key), links, latin(t->table), QString::fromUtf8(t->one));
            const Variant n = schemaCount(QStringLiteral("SELECT count(*) FROM pragma_index_list(?1) AS il WHERE "
                                                         "(SELECT lower(name) FROM pragma_index_info(il.name) WHERE "
                                                         "seqno = 0) = lower(?2)"),
                                          {links, latin(t->key)});
            if (n.ToInt64() == 0)
                warnings << QStringLiteral("tabela „%1” nu are un index care începe cu „%2”: căutările vor fi lente.")
                                .arg(links, latin(t->key));
        }
        if (schemaCount(QStringLiteral("SELECT count(*) FROM pragma_index_list(?1) WHERE \"unique\" = 1"), {links})
                .ToInt64()
            > 0)
            problems << QStringLiteral("tabela „%1” are un index unic: o legătură refuzată de el ar opri programul.")
                            .arg(links);
    }

    void sqliteChecks()
    {
        const auto rows = db_.QueryRows(QStringLiteral("PRAGMA integrity_check"));
        if (!(rows.size() == 1 && rows[0].at(0).ToText() == QLatin1String("ok")))
            for (const auto& r : rows)
                problems << QStringLiteral("PRAGMA integrity_check: %1").arg(r.at(0).ToText());
        const auto fk = db_.QueryRows(QStringLiteral("PRAGMA foreign_key_check"));
        if (!fk.empty())
            problems << QStringLiteral("PRAGMA foreign_key_check: %1 care trimit la rânduri care nu există.")
                            .arg(Counted(static_cast<long long>(fk.size()), "rând", "rânduri"));
    }

    // The companion column must hold the fold of its text, no two texts may fold
    // alike, and each text must be one the windows can show and match.
    void texts(const store::TextTable& t)
    {
        const QString key = latin(t.key), field = latin(t.text), what = QString::fromUtf8(t.what);
        const auto rows = store::TextsWithFaults(db_, t);
        if (rows.size() > static_cast<std::size_t>(store::kMaxRows))
            problems << QStringLiteral("tabela „%1” are %2; lista ferestrei ei arată cel mult %3.")
                            .arg(latin(t.table), Counted(static_cast<long long>(rows.size()), "rând", "rânduri"))
                            .arg(store::kMaxRows);
        QHash<QString, QString> byFold;
        for (const auto& r : rows) {
            const QString id = r[0].ToText();
            const QString text = r[1].ToText();
            if (r[0].ToInt64() < -2147483648LL || r[0].ToInt64() > 2147483647LL)
                problems << QStringLiteral("%1 „%2” are %3 %4, care nu încape în 32 de biți.")
                                .arg(what, Shortened(text), key, id);
            if (r[3].ToInt64() == 1) {
                problems << QStringLiteral("%1 cu %2 %3 nu este text UTF-8 valid (se vede „%4”); schimbați-i textul "
                                           "cu programul care l-a scris (de exemplu %5).")
                                .arg(what, key, id, Shortened(text), HandEditor(db_));
                continue;
            }
            const QString want = FoldKey(text);
            if (r[3].ToInt64() == 2)
                problems << QStringLiteral("%1 „%2” (%3 %4): %5_Fold este %6 în loc de „%7”.")
                                .arg(what, text, key, id, field,
                                     r[2].IsNull() ? QStringLiteral("gol") : QStringLiteral("„%1”").arg(r[2].ToText()),
                                     want);
            const auto seen = byFold.constFind(want);
            if (seen != byFold.constEnd())
                problems << QStringLiteral("%1 „%2” (%3 %4) este același cu cel cu %3 %5 dacă nu se ține seama de "
                                           "literele mari și mici.")
                                .arg(what, text, key, id, *seen);
            else
                byFold.insert(want, id);
            // What another door would refuse is a problem here, so a store called sound always imports.
            const store::IncomingText in = store::FromOutside(text);
            if (!in.Accepted())
                problems << QStringLiteral("%1 cu %2 %3: %4").arg(what, key, id, in.Reason(QStringLiteral("textul")));
            else if (in.text != text)
                warnings << QStringLiteral("%1 „%2” (%3 %4) intră într-o bază de date nouă ca „%5” (majuscule, Ș și "
                                           "Ț, fără spații la capete); „tarvix-db check --repair” îl scrie așa.")
                                .arg(what, text, key, id, in.text);
            if (EditLength(text) > t.editorMax)
                warnings << QStringLiteral("%1 „%2” (%3 %4) are %5; fereastra lui arată cel mult %6.")
                                .arg(what, text, key, id, Counted(EditLength(text), "caracter", "caractere"))
                                .arg(t.editorMax);
        }
    }

    // What another program may have added that makes the program's own writes fail.
    void foreignDesign()
    {
        if (db_.QueryValue(QStringLiteral("PRAGMA journal_mode"))
                .ToText()
                .compare(QLatin1String("wal"), Qt::CaseInsensitive)
            == 0)
            problems << QStringLiteral("baza de date este în modul „write-ahead log” (WAL): pe un disc sau într-un "
                                       "dosar care poate fi doar citit nu se mai poate deschide, iar fișierele "
                                       "„-wal” și „-shm” de lângă ea țin o parte din date.");
        for (const auto& r : db_.QueryRows(QStringLiteral("SELECT name, tbl_name FROM sqlite_master WHERE type = "
                                                          "'trigger' ORDER BY name")))
            problems << QStringLiteral("tabela „%1” are declanșatorul „%2”, pus de alt program: el poate face să "
                                       "eșueze sau să schimbe scrierile programului.")
                            .arg(r[1].ToText(), r[0].ToText());
        for (const char* table : {store::kWords.table, store::kChapters.table, store::kLinks}) {
            const QStringList known = store::RequiredFields(latin(table));
            for (const auto& r : db_.QueryRows(QStringLiteral("SELECT name FROM pragma_table_info(?1) WHERE "
                                                              "\"notnull\" = 1 AND dflt_value IS NULL AND pk = 0"),
                                               {latin(table)}))
                if (!known.contains(r[0].ToText(), Qt::CaseInsensitive))
                    problems << QStringLiteral("tabela „%1” are câmpul obligatoriu „%2”, fără valoare implicită: "
                                               "programul nu îl completează, așa că nu poate adăuga rânduri.")
                                    .arg(latin(table), r[0].ToText());
        }
    }

    void orphans()
    {
        for (const store::OrphanLink& o : store::LinksWithoutTheirRows(db_)) {
            QString what;
            if (o.noWord && o.noChapter)
                what = QStringLiteral("lipsesc și cuvântul, și capitolul");
            else if (o.noWord)
                what = QStringLiteral("lipsește cuvântul (capitolul este „%1”)").arg(o.chapterText);
            else
                what = QStringLiteral("lipsește capitolul (cuvântul este „%1”)").arg(o.wordText);
            problems << QStringLiteral("legătura din rândul %1 (ID_Cuvant %2, ID_Capitol %3): %4.")
                            .arg(o.row.ToText(), o.word.ToText(), o.chapter.ToText(), what);
        }
        const auto twice = db_.QueryRows(QStringLiteral(
            "SELECT d.Cuvant, c.Capitol, count(*) FROM tblLegatura AS l "
            "JOIN tblDictionar AS d ON d.ID_Cuvant = l.ID_Cuvant JOIN tblCapitol AS c ON c.ID_Capitol = l.ID_Capitol "
            "GROUP BY l.ID_Cuvant, l.ID_Capitol, d.Cuvant, c.Capitol HAVING count(*) > 1 ORDER BY min(l.rowid)"));
        for (const auto& r : twice)
            warnings << QStringLiteral("legătura cuvântului „%1” cu capitolul „%2” apare de %3 ori; căutarea arată "
                                       "capitolul de tot atâtea ori.")
                            .arg(r[0].ToText(), r[1].ToText(), r[2].ToText());
    }

    long long count(const char* table)
    {
        long long n = -1;
        step(
            [&] { n = db_.QueryValue(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table))).ToInt64(); });
        return n;
    }

private:
    Database& db_;
};

}  // namespace

int RunCheck(const QString& file, bool repair)
{
    std::unique_ptr<Database> db = OpenStore(file, repair ? Access::ForRepair : Access::ReadOnly);
    if (repair)
        RepairStore(*db);
    Checker c(*db);
    // A file's design may have been changed by another program; a server's tables keep the rules they were made with.
    if (!db->OnServer()) {
        c.step([&] { c.sqliteChecks(); });
        c.step([&] {
            for (const store::TextTable* t : {&store::kWords, &store::kChapters}) {
                c.keyColumn(latin(t->table), latin(t->key));
                c.textColumn(latin(t->table), latin(t->text));
            }
        });
        c.step([&] { c.linkRules(); });
        c.step([&] { c.foreignDesign(); });
    }
    c.step([&] { c.texts(store::kWords); });
    c.step([&] { c.texts(store::kChapters); });
    c.step([&] { c.orphans(); });

    auto shown = [](long long n) { return n < 0 ? QStringLiteral("nu se pot număra") : QString::number(n); };
    PrintOut(QStringLiteral("Baza de date „%1”:").arg(file));
    PrintOut(QStringLiteral("  cuvinte:  %1").arg(shown(c.count(store::kWords.table))));
    PrintOut(QStringLiteral("  capitole: %1").arg(shown(c.count(store::kChapters.table))));
    PrintOut(QStringLiteral("  legături: %1").arg(shown(c.count(store::kLinks))));

    PrintListed(QStringLiteral("atenție: "), c.warnings);
    PrintListed(QStringLiteral("problemă: "), c.problems);
    if (!c.problems.isEmpty()) {
        PrintErr(QStringLiteral("Baza de date „%1” NU este în regulă: %2.")
                     .arg(file, Counted(c.problems.size(), "problemă", "probleme")));
        return exitcode::Refused;
    }
    PrintOut(QStringLiteral("Baza de date „%1” este în regulă.").arg(file));
    return exitcode::Ok;
}

Command CheckCommand()
{
    return {QStringLiteral("check"),
            {QStringLiteral("FIȘIER")},
            QStringLiteral("un FIȘIER"),
            {QStringLiteral("verifică structura și datele, arată câte cuvinte,"),
             QStringLiteral("capitole și legături are baza de date și care legături"),
             QStringLiteral("trimit la un cuvânt sau un capitol care lipsește.")},
            {{QStringLiteral("repair"),
              {},
              {},
              {QStringLiteral("repară întâi, într-o singură tranzacție, ce se poate"),
               QStringLiteral("repara fără să se piardă un rând (câmpurile _Fold,"),
               QStringLiteral("textele scrise ca la import, legăturile fără"),
               QStringLiteral("cuvânt sau capitol) și arată fiecare schimbare.")}}},
            [](const Invocation& in) { return RunCheck(in.positional[0], in.has(QStringLiteral("repair"))); }};
}

}  // namespace tarvix::tool
