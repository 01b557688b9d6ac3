#include "tools/commands/Repair.h"

#include "tools/base/StoreTool.h"

#include "platform/text/TextFunctions.h"
#include "store/IncomingText.h"
#include "store/Invariants.h"
#include "store/Schema.h"
#include "store/TextWriter.h"

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
        for (const store::OrphanLink& o : store::LinksWithoutTheirRows(db_)) {
            changed << QStringLiteral("am șters legătura din rândul %1 (ID_Cuvant %2, ID_Capitol %3): %4.")
                           .arg(o.row.ToText(), o.word.ToText(), o.chapter.ToText(),
                                o.noWord && o.noChapter ? QStringLiteral("lipseau și cuvântul, și capitolul")
                                : o.noWord              ? QStringLiteral("lipsea cuvântul")
                                                        : QStringLiteral("lipsea capitolul"));
            db_.ExecuteSql(QStringLiteral("DELETE FROM tblLegatura WHERE rowid = ?1"), {o.row});
        }
    }

    // Each text as the store takes a text in from outside, and its fold; rows
    // that would then fold alike are left as they are, for the user to decide
    // which text each should have.
    void texts(const store::TextTable& t)
    {
        const QString key = latin(t.key), field = latin(t.text);
        struct Row {
            Variant id;
            QString text, fold, newText, newFold;
            bool change = false;
        };
        std::vector<Row> rows;
        for (const auto& r : store::TextsWithFaults(db_, t)) {
            Row row{r[0], r[1].ToText(), r[2].ToText(), {}, {}};
            // Bytes that are not UTF-8 have no right form to guess; check names them.
            if (r[3].ToInt64() != 1) {
                const store::IncomingText in = store::FromOutside(row.text);
                if (in.Accepted()) {
                    row.newText = in.text;
                    row.newFold = FoldKey(row.newText);
                    row.change = row.newText != row.text || row.newFold != row.fold || r[2].IsNull();
                } else {
                    cannot << QStringLiteral("%1 (%2 %3): %4")
                                  .arg(QString::fromUtf8(t.what), key, row.id.ToText(),
                                       in.Reason(QStringLiteral("textul")));
                }
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
                                             "schimbați-l pe celălalt (de exemplu cu %6) și rulați din nou "
                                             "„tarvix-db check --repair”.")
                                  .arg(QString::fromUtf8(t.what), Shortened(row.text), key, row.id.ToText(),
                                       QString::fromUtf8(t.one), HandEditor(db_));
                }
        }
        // Folds move out of the way first, so no two rows hold the same one in between.
        store::TextWriter writer(db_, t);
        for (const Row& row : rows)
            if (row.change)
                writer.SetAside(row.id);
        for (const Row& row : rows) {
            if (!row.change)
                continue;
            writer.Update(row.id, row.newText);
            if (row.newText != row.text)
                changed << QStringLiteral("%1 „%2” (%3 %4) este acum „%5”, %6.")
                               .arg(QString::fromUtf8(t.what), Shortened(row.text), key, row.id.ToText(),
                                    Shortened(row.newText),
                                    store::TrimBlanks(row.text) == row.newText
                                        ? QStringLiteral("fără spațiile de la capete")
                                        : QStringLiteral("scris cum intră un text din afara programului"));
            else
                changed << QStringLiteral("%1 „%2” (%3 %4): %5_Fold era %6, acum este „%7”.")
                               .arg(QString::fromUtf8(t.what), Shortened(row.text), key, row.id.ToText(), field,
                                    row.fold.isEmpty() ? QStringLiteral("gol") : QStringLiteral("„%1”").arg(row.fold),
                                    row.newFold);
        }
    }

    // A server keeps no log file of its own beside the store.
    void journal()
    {
        if (db_.OnServer())
            return;
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
