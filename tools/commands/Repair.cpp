#include "tools/commands/Repair.h"

#include "tools/base/StoreTool.h"

#include "platform/text/TextFunctions.h"
#include "store/Schema.h"

#include <QHash>
#include <QSet>

namespace tarvix::tool {

namespace {

QString latin(const char* s)
{
    return QString::fromLatin1(s);
}

class Repairer {
public:
    explicit Repairer(Database& db) : db_(db) {}

    QStringList changed;
    QStringList cannot;

    void orphans()
    {
        const auto rows = db_.QueryRows(QStringLiteral(
            "SELECT l.rowid, l.ID_Cuvant, l.ID_Capitol, d.ID_Cuvant IS NULL, c.ID_Capitol IS NULL FROM tblLegatura AS l "
            "LEFT JOIN tblDictionar AS d ON d.ID_Cuvant = l.ID_Cuvant LEFT JOIN tblCapitol AS c ON c.ID_Capitol = "
            "l.ID_Capitol WHERE d.ID_Cuvant IS NULL OR c.ID_Capitol IS NULL ORDER BY l.rowid"));
        for (const auto& r : rows) {
            const bool noWord = r[3].ToInt64() != 0, noChapter = r[4].ToInt64() != 0;
            changed << QStringLiteral("am șters legătura din rândul %1 (ID_Cuvant %2, ID_Capitol %3): %4.")
                           .arg(r[0].ToText(), r[1].ToText(), r[2].ToText(),
                                noWord && noChapter ? QStringLiteral("lipseau și cuvântul, și capitolul")
                                : noWord            ? QStringLiteral("lipsea cuvântul")
                                                    : QStringLiteral("lipsea capitolul"));
            db_.QueryRows(QStringLiteral("DELETE FROM tblLegatura WHERE rowid = ?1"), {r[0]});
        }
    }

    // Trimmed texts and their folds; rows that would then fold alike are left
    // as they are, for the user to decide which text each should have.
    void texts(const store::TextTable& t)
    {
        const QString table = latin(t.table), key = latin(t.key), field = latin(t.text);
        struct Row {
            Variant id;
            QString text, fold, newText, newFold;
            bool change = false;
        };
        std::vector<Row> rows;
        for (const auto& r : db_.QueryRows(QStringLiteral("SELECT %2, %3, %3_Fold, tarvix_text_fault(%3, %3_Fold) "
                                                          "FROM %1 ORDER BY %2")
                                               .arg(table, key, field))) {
            Row row{r[0], r[1].ToText(), r[2].ToText(), {}, {}};
            // Bytes that are not UTF-8 and blank texts have no right form to guess.
            if (r[3].ToInt64() != 1 && !TrimmedBlanks(row.text).isEmpty()) {
                row.newText = TrimmedBlanks(row.text);
                row.newFold = FoldKey(row.newText);
                row.change = row.newText != row.text || row.newFold != row.fold || r[2].IsNull();
            }
            rows.push_back(std::move(row));
        }
        // Repeated until no change would take a fold another row keeps or takes.
        for (bool again = true; again;) {
            again = false;
            QHash<QString, int> holders;
            for (const Row& row : rows)
                ++holders[row.change ? row.newFold : row.fold];
            for (Row& row : rows)
                if (row.change && holders.value(row.newFold) > 1) {
                    row.change = false;
                    again = true;
                    cannot << QStringLiteral("%1 „%2” (%3 %4) ar fi același cu alt %5 dacă nu se ține seama de "
                                             "literele mari și mici; hotărâți care dintre ele rămâne, ștergeți-l sau "
                                             "schimbați-l pe celălalt (de exemplu cu sqlite3) și rulați din nou "
                                             "„tarvix-db check --repair”.")
                                  .arg(QString::fromUtf8(t.what), Shortened(row.newText), key, row.id.ToText(),
                                       table == latin(store::kWords.table) ? QStringLiteral("cuvânt")
                                                                           : QStringLiteral("capitol"));
                }
        }
        // Folds move out of the way first, so no two rows hold the same one in between.
        for (const Row& row : rows)
            if (row.change)
                db_.QueryRows(QStringLiteral("UPDATE %1 SET %3_Fold = char(1) || 'repair ' || %2 WHERE %2 = ?1")
                                  .arg(table, key, field),
                              {row.id});
        for (const Row& row : rows) {
            if (!row.change)
                continue;
            db_.QueryRows(QStringLiteral("UPDATE %1 SET %3 = ?2, %3_Fold = ?3 WHERE %2 = ?1").arg(table, key, field),
                          {row.id, Variant(row.newText), Variant(row.newFold)});
            if (row.newText != row.text)
                changed << QStringLiteral("%1 „%2” (%3 %4) este acum „%5”, fără spațiile de la capete.")
                               .arg(QString::fromUtf8(t.what), Shortened(row.text), key, row.id.ToText(),
                                    Shortened(row.newText));
            else
                changed << QStringLiteral("%1 „%2” (%3 %4): %5_Fold era %6, acum este „%7”.")
                               .arg(QString::fromUtf8(t.what), Shortened(row.text), key, row.id.ToText(), field,
                                    row.fold.isEmpty() ? QStringLiteral("gol") : QStringLiteral("„%1”").arg(row.fold),
                                    row.newFold);
        }
    }

    void journal()
    {
        if (db_.QueryValue(QStringLiteral("PRAGMA journal_mode"))
                .ToText()
                .compare(QLatin1String("wal"), Qt::CaseInsensitive)
            != 0)
            return;
        try {
            db_.QueryValue(QStringLiteral("PRAGMA journal_mode = DELETE"));
            changed << QStringLiteral("baza de date nu mai este în modul „write-ahead log” (WAL).");
        } catch (const EngineError& e) {
            cannot << QStringLiteral("modul WAL nu a putut fi oprit (%1); închideți celelalte programe care "
                                     "folosesc baza de date și încercați din nou.")
                          .arg(DescribeEngineError(e));
        }
    }

private:
    Database& db_;
};

}  // namespace

void RepairStore(Database& db)
{
    Repairer r(db);
    {
        Transaction t(db);
        r.orphans();
        r.texts(store::kWords);
        r.texts(store::kChapters);
        t.Commit();
    }
    // The log mode changes only outside a transaction.
    r.journal();
    if (r.changed.isEmpty())
        PrintOut(QStringLiteral("Nu a fost nimic de reparat."));
    else
        PrintOut(QStringLiteral("Am reparat (%1):").arg(Counted(r.changed.size(), "schimbare", "schimbări")));
    for (const QString& line : Listed(r.changed))
        PrintOut(QStringLiteral("  ") + line);
    PrintListed(QStringLiteral("nu pot repara: "), r.cannot);
}

}  // namespace tarvix::tool
