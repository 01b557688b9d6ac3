// The engine over a real store file: the dialect's statement shapes, text
// comparison, recordsets, pending rows and the errors callers see.
#include "platform/Engine.h"
#include "platform/engine/PgConnection.h"
#include "platform/engine/SqliteConnection.h"
#include "platform/engine/Statement.h"
#include "store/Invariants.h"
#include "store/Schema.h"
#include "store/Statements.h"
#include "store/TextWriter.h"
#include "support/Backends.h"
#include "support/ErrorOf.h"
#include "support/TempStore.h"

#include <QFile>
#include <QtTest>

#include <sqlite3.h>

using namespace tarvix;
using test::TempStore;

using tarvix::test::errorOf;

namespace {

QStringList rowsOf(Recordset& rs, const QString& field)
{
    QStringList out;
    for (; !rs.Eof(); rs.MoveNext())
        out << rs.Fields(field).Value.ToText();
    return out;
}

}  // namespace

class EngineTest : public QObject {
    Q_OBJECT

private slots:
    void searchFindsOnlyExactlyThatWord_data();
    void searchFindsOnlyExactlyThatWord();
    void caseAndCedillaAreOneText_data();
    void caseAndCedillaAreOneText();
    void repeatedShapesBindTheirOwnValues();
    void linksQueryReadsTitlesAndKeys();
    void oneTableDeletesCascadeToLinks();
    void joinedDeleteRemovesOnlyThatLink();
    void hostileTextsMatchOnlyThemselves_data();
    void hostileTextsMatchOnlyThemselves();
    void statementsOutsideTheShapesAreRefused_data();
    void statementsOutsideTheShapesAreRefused();
    void recordCountOfEachKind();
    void positionsAndMoveOnFreshDynasets();
    void pendingRows();
    void pendingRowErrors();
    void duplicateKeepsThePendingRow();
    void editOfRowDeletedElsewhere();
    void keysAreNeverReusedAndMustFit32Bits();
    void fieldNamesIgnoreCase();
    void missingEmptyAndForeignFiles_data();
    void missingEmptyAndForeignFiles();
    void closedObjectsRefuseWork();
    void storeGoneWhileOpen_data();
    void storeGoneWhileOpen();
    void openTimeRules_data();
    void openTimeRules();
    void realsAreStoredAsReals();
    void rawChangeCountsItsRows();
    void twoStatementsOfOneTextKeepTheirOwnRows();
    void textWriterNamesARowAnotherCopyDeleted();
};

void EngineTest::searchFindsOnlyExactlyThatWord_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QStringList>("titles");
    QTest::newRow("three links") << "ARBORE" << QStringList{"GRAFURI", "ARBORI BINARI", "HEAP"};
    QTest::newRow("no links") << "STIVA" << QStringList{};
    QTest::newRow("no such word") << "COADA" << QStringList{};
    QTest::newRow("prefix is not the word") << "ARB" << QStringList{};
    QTest::newRow("blanks kept") << " ARBORE" << QStringList{};
}

void EngineTest::searchFindsOnlyExactlyThatWord()
{
    QFETCH(QString, keyword);
    QFETCH(QStringList, titles);
    TempStore s;
    const auto arbore = s.addWord("ARBORE");
    s.addWord("STIVA");
    for (const char* t : {"GRAFURI", "ARBORI BINARI", "HEAP"})
        s.link(arbore, s.addChapter(t));
    s.addChapter("NELEGAT");

    auto db = DBEngine().OpenDatabase("Dictionar.mdb");
    store::RequireSchema(*db);
    auto rs = db->OpenRecordset(store::SearchStatement(keyword));
    QStringList got = rowsOf(*rs, "capitol");
    got.sort();
    titles.sort();
    QCOMPARE(got, titles);
    rs->Close();
    db->Close();
}

void EngineTest::caseAndCedillaAreOneText_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("other");
    QTest::newRow("ascii") << "arbore"
                           << "ARBORE";
    QTest::newRow("breve") << "mărime"
                           << "MĂRIME";
    QTest::newRow("circumflex") << "câmp"
                                << "CÂMP";
    QTest::newRow("i circumflex") << "înălțime"
                                  << "ÎNĂLȚIME";
    QTest::newRow("comma s") << "șir"
                             << "ȘIR";
    QTest::newRow("cedilla s") << "ŞIR"
                               << "ȘIR";
    QTest::newRow("cedilla t lower") << "ţară"
                                     << "ȚARĂ";
}

void EngineTest::caseAndCedillaAreOneText()
{
    QFETCH(QString, stored);
    QFETCH(QString, other);
    TempStore s;
    const auto w = s.addWord(stored);
    s.link(w, s.addChapter("CAPITOL"));
    auto db = DBEngine().OpenDatabase("Dictionar.mdb");

    auto rs = db->OpenRecordset(store::SearchStatement(other));
    QCOMPARE(rowsOf(*rs, "Capitol"), QStringList{"CAPITOL"});

    // The second spelling is refused as a duplicate and the table keeps one row.
    auto add = db->OpenRecordset("tblDictionar", dbOpenDynaset);
    add->AddNew();
    add->Collect("Cuvant") = other;
    QCOMPARE(errorOf([&] { add->Update(); }), err::Duplicate);
    QCOMPARE(s.count("tblDictionar"), 1);
    QCOMPARE(s.column("SELECT Cuvant FROM tblDictionar"), QStringList{stored});
}

void EngineTest::repeatedShapesBindTheirOwnValues()
{
    // The second and later statements of one shape reuse the first one's translation.
    TempStore s;
    const QStringList words{"UNU", "DOI \"CITAT\"", "trei", "\"", "ŞASE"};
    for (int i = 0; i < words.size(); ++i)
        s.link(s.addWord(words[i]), s.addChapter(QString("CAPITOLUL %1").arg(i)));
    auto db = DBEngine().OpenDatabase("Dictionar.mdb");
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < words.size(); ++i) {
            auto rs = db->OpenRecordset(store::SearchStatement(words[i].toUpper()));
            QCOMPARE(rowsOf(*rs, "Capitol"), QStringList{QString("CAPITOLUL %1").arg(i)});
        }
    QCOMPARE(errorOf([&] { db->OpenRecordset(store::SearchStatement("UNU").chopped(1)); }),
             err::StatementNotUnderstood);
    QString raw = store::SearchStatement("UNU");
    raw.replace("\"UNU\"", QString(QChar(0xFFFF)));
    QCOMPARE(errorOf([&] { db->OpenRecordset(raw); }), err::StatementNotUnderstood);
}

void EngineTest::linksQueryReadsTitlesAndKeys()
{
    TempStore s;
    const auto w = s.addWord("LISTA");
    const auto c1 = s.addChapter("LISTE SIMPLU ÎNLĂNȚUITE");
    const auto c2 = s.addChapter("LISTE DUBLU ÎNLĂNȚUITE");
    s.link(w, c1);
    s.link(w, c2);
    auto db = DBEngine().OpenDatabase("Dictionar.mdb");
    auto rs = db->OpenRecordset(store::LinksStatement("LISTA"));
    QVERIFY(rs->RecordCount() > 0);
    QMap<QString, int> got;
    for (; !rs->Eof(); rs->MoveNext())
        got.insert(rs->Fields("Capitol").Value.ToText(), rs->Fields("id_capitol").Value.ToInt32());
    QCOMPARE(got, (QMap<QString, int>{{"LISTE SIMPLU ÎNLĂNȚUITE", c1}, {"LISTE DUBLU ÎNLĂNȚUITE", c2}}));
    // The three fields the statement names, and no others.
    rs->MoveFirst();
    QCOMPARE(rs->Fields("Cuvant").Value.ToText(), QStringLiteral("LISTA"));
    QCOMPARE(errorOf([&] { rs->Fields("Legatura"); }), err::UnknownField);
}

void EngineTest::oneTableDeletesCascadeToLinks()
{
    TempStore s;
    const auto w1 = s.addWord("NOD");
    const auto w2 = s.addWord("MUCHIE");
    const auto c1 = s.addChapter("GRAFURI");
    const auto c2 = s.addChapter("ARBORI");
    s.link(w1, c1);
    s.link(w1, c2);
    s.link(w2, c1);
    auto db = DBEngine().OpenDatabase("Dictionar.mdb");

    db->Execute(store::DeleteWordStatement("nod"));  // letter case does not matter
    QCOMPARE(s.count("tblDictionar"), 1);
    QCOMPARE(s.count("tblLegatura"), 1);

    db->Execute(store::DeleteChapterStatement("GRAFURI"));
    QCOMPARE(s.count("tblCapitol"), 1);
    QCOMPARE(s.count("tblLegatura"), 0);
    auto rs = db->OpenRecordset(store::SearchStatement("MUCHIE"));
    QVERIFY(rs->Eof());
}

void EngineTest::joinedDeleteRemovesOnlyThatLink()
{
    TempStore s;
    const auto w1 = s.addWord("NOD");
    const auto w2 = s.addWord("MUCHIE");
    const auto c1 = s.addChapter("GRAFURI");
    const auto c2 = s.addChapter("ARBORI");
    s.link(w1, c1);
    s.link(w1, c2);
    s.link(w2, c1);
    auto db = DBEngine().OpenDatabase("Dictionar.mdb");
    db->Execute(store::DeleteLinkStatement("GRAFURI", "NOD"));
    QCOMPARE(s.chaptersOf(w1), QStringList{"ARBORI"});
    QCOMPARE(s.chaptersOf(w2), QStringList{"GRAFURI"});
    QCOMPARE(s.count("tblCapitol"), 2);
    QCOMPARE(s.count("tblDictionar"), 2);
}

void EngineTest::hostileTextsMatchOnlyThemselves_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("double quotes") << "\"CITAT\" ȘI \"\"DUBLU\"\"";
    QTest::newRow("lone quote") << "\"";
    QTest::newRow("parentheses") << "F(X) = (A)";
    QTest::newRow("And inside") << "A\" And tblDictionar.Cuvant = \"B";
    QTest::newRow("WHERE inside") << "X WHERE 1=1";
    QTest::newRow("sql fragment") << "\"; DROP TABLE tblCapitol; --";
    QTest::newRow("or true") << "\" OR \"\"=\"";
    QTest::newRow("romanian") << "ȘTIINȚĂ ÎN ȚARĂ";
    QTest::newRow("single quote") << "O'BRIEN";
}

void EngineTest::hostileTextsMatchOnlyThemselves()
{
    QFETCH(QString, text);
    TempStore s;
    const auto w = s.addWord(text);
    const auto decoy = s.addWord("ALTUL");
    const auto c = s.addChapter(text);
    const auto other = s.addChapter("ALT CAPITOL");
    s.link(w, c);
    s.link(w, other);
    s.link(decoy, c);
    auto db = DBEngine().OpenDatabase("Dictionar.mdb");

    auto rs = db->OpenRecordset(store::SearchStatement(text));
    QStringList got = rowsOf(*rs, "Capitol");
    got.sort();
    QStringList want{"ALT CAPITOL", text};
    want.sort();
    QCOMPARE(got, want);

    db->Execute(store::DeleteLinkStatement(text, text));
    QCOMPARE(s.chaptersOf(w), QStringList{"ALT CAPITOL"});
    QCOMPARE(s.chaptersOf(decoy), QStringList{text});

    db->Execute(store::DeleteChapterStatement(text));
    QCOMPARE(s.column("SELECT Capitol FROM tblCapitol"), QStringList{"ALT CAPITOL"});
    db->Execute(store::DeleteWordStatement(text));
    QCOMPARE(s.column("SELECT Cuvant FROM tblDictionar"), QStringList{"ALTUL"});
}

void EngineTest::statementsOutsideTheShapesAreRefused_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<int>("number");
    QTest::newRow("update") << "UPDATE tblCapitol SET Capitol=\"X\"" << err::StatementNotUnderstood;
    QTest::newRow("two statements") << "DELETE tblCapitol.Capitol From tblCapitol WHERE tblCapitol.Capitol=\"A\"; "
                                       "DELETE tblDictionar.Cuvant FROM tblDictionar WHERE tblDictionar.Cuvant=\"B\""
                                    << err::StatementNotUnderstood;
    QTest::newRow("unclosed text") << "DELETE tblCapitol.Capitol From tblCapitol WHERE tblCapitol.Capitol=\"A"
                                   << err::StatementNotUnderstood;
    QTest::newRow("no where") << "DELETE tblCapitol.Capitol From tblCapitol" << err::StatementNotUnderstood;
    QTest::newRow("number not text") << "DELETE tblCapitol.Capitol From tblCapitol WHERE tblCapitol.ID_Capitol=1"
                                     << err::StatementNotUnderstood;
    QTest::newRow("or")
        << "DELETE tblCapitol.Capitol From tblCapitol WHERE tblCapitol.Capitol=\"A\" OR tblCapitol.Capitol=\"B\""
        << err::StatementNotUnderstood;
    QTest::newRow("select via execute") << store::SearchStatement("A") << err::StatementNotUnderstood;
    QTest::newRow("two targets") << "DELETE tblLegatura.*, tblCapitol.* FROM tblCapitol INNER JOIN tblLegatura ON "
                                    "tblCapitol.ID_Capitol = tblLegatura.ID_Capitol WHERE tblCapitol.Capitol=\"A\""
                                 << err::StatementNotUnderstood;
    QTest::newRow("table not in from") << "DELETE tblCapitol.Capitol From tblCapitol WHERE tblDictionar.Cuvant=\"A\""
                                       << err::StatementNotUnderstood;
    QTest::newRow("unknown table") << "DELETE tblX.Y From tblX WHERE tblX.Y=\"A\"" << err::UnknownTable;
    QTest::newRow("unknown field") << "DELETE tblCapitol.Titlu From tblCapitol WHERE tblCapitol.Titlu=\"A\""
                                   << err::UnknownField;
    QTest::newRow("fold column hidden")
        << "DELETE tblCapitol.Capitol From tblCapitol WHERE tblCapitol.Capitol_Fold=\"A\"" << err::UnknownField;
}

void EngineTest::statementsOutsideTheShapesAreRefused()
{
    QFETCH(QString, statement);
    QFETCH(int, number);
    TempStore s;
    s.addChapter("A");
    s.addChapter("B");
    auto db = DBEngine().OpenDatabase("Dictionar.mdb");
    QString text;
    QCOMPARE(errorOf([&] { db->Execute(statement); }, &text), number);
    QVERIFY(!text.isEmpty());
    QCOMPARE(s.count("tblCapitol"), 2);  // nothing ran
}

void EngineTest::recordCountOfEachKind()
{
    TempStore s;
    auto db = DBEngine().OpenDatabase("Dictionar.mdb");
    QCOMPARE(db->OpenRecordset("tblCapitol")->RecordCount(), 0);
    QCOMPARE(db->OpenRecordset("tblCapitol", dbOpenDynaset)->RecordCount(), 0);
    QVERIFY(db->OpenRecordset("tblCapitol", dbOpenDynaset)->Eof());
    QVERIFY(db->OpenRecordset(store::SearchStatement("X"))->Eof());
    for (int i = 0; i < 5; ++i)
        s.addChapter(QString("C%1").arg(i));
    QCOMPARE(db->OpenRecordset("tblCapitol")->RecordCount(), 5);
    QVERIFY(db->OpenRecordset("tblCapitol", dbOpenDynaset)->RecordCount() >= 1);
    QCOMPARE(errorOf([&] { db->OpenRecordset("tblNimic"); }), err::UnknownTable);
}

void EngineTest::positionsAndMoveOnFreshDynasets()
{
    TempStore s;
    for (const char* t : {"D", "A", "C", "B"})
        s.addChapter(t);
    auto db = DBEngine().OpenDatabase("Dictionar.mdb");
    QMap<QString, int> positions;
    {
        auto rs = db->OpenRecordset("tblCapitol", dbOpenDynaset);
        for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
            positions.insert(rs->Fields("Capitol").Value.ToText(), rs->AbsolutePosition());
        QCOMPARE(rs->AbsolutePosition(), -1);
        QCOMPARE(errorOf([&] { rs->MoveNext(); }), err::NoCurrentRecord);
        QCOMPARE(errorOf([&] { rs->Fields("Capitol"); }), err::NoCurrentRecord);
    }
    for (auto it = positions.begin(); it != positions.end(); ++it) {
        auto rs = db->OpenRecordset("tblCapitol", dbOpenDynaset);
        rs->MoveFirst();
        rs->Move(it.value());
        QCOMPARE(rs->Fields("Capitol").Value.ToText(), it.key());
    }
    auto rs = db->OpenRecordset("tblCapitol", dbOpenDynaset);
    rs->Move(10);
    QVERIFY(rs->Eof());
}

void EngineTest::pendingRows()
{
    TempStore s;
    s.addChapter("PRIMUL");
    s.addChapter("AL DOILEA");
    auto db = DBEngine().OpenDatabase("Dictionar.mdb");

    auto rs = db->OpenRecordset("tblCapitol", dbOpenDynaset);
    rs->AddNew();
    rs->Collect("Capitol") = "ABANDONAT";
    rs->CancelUpdate();
    QCOMPARE(s.count("tblCapitol"), 2);

    // A pending row outlives the call that started it; Edit then Update changes that row alone.
    rs = db->OpenRecordset("tblCapitol", dbOpenDynaset);
    rs->MoveFirst();
    rs->Move(1);
    rs->Edit();
    rs->Collect("capitol") = "SCHIMBAT";
    QCOMPARE(rs->Fields("Capitol").Value.ToText(), QString("SCHIMBAT"));
    rs->Update();
    QCOMPARE(s.column("SELECT Capitol FROM tblCapitol ORDER BY ID_Capitol"), (QStringList{"PRIMUL", "SCHIMBAT"}));
    QCOMPARE(s.column("SELECT Capitol_Fold FROM tblCapitol ORDER BY ID_Capitol"), (QStringList{"PRIMUL", "SCHIMBAT"}));

    // A new row gets a fresh key from the store.
    rs->AddNew();
    rs->Collect("Capitol") = "NOU";
    rs->Update();
    const auto keys = s.column("SELECT ID_Capitol FROM tblCapitol ORDER BY ID_Capitol");
    QCOMPARE(keys.size(), 3);
    QCOMPARE(QSet<QString>(keys.begin(), keys.end()).size(), 3);
    rs->Close();
}

void EngineTest::pendingRowErrors()
{
    TempStore s;
    s.addChapter("A");
    auto db = DBEngine().OpenDatabase("Dictionar.mdb");
    auto rs = db->OpenRecordset("tblCapitol", dbOpenDynaset);
    QCOMPARE(errorOf([&] { rs->Update(); }), err::UpdateWithoutEdit);
    QCOMPARE(errorOf([&] { rs->CancelUpdate(); }), err::UpdateWithoutEdit);
    QCOMPARE(errorOf([&] { rs->Collect("Capitol") = "X"; }), err::UpdateWithoutEdit);
    rs->AddNew();
    QCOMPARE(errorOf([&] { rs->Collect("ID_Capitol") = 5; }), err::FieldNotUpdatable);
    QCOMPARE(errorOf([&] { rs->Collect("Titlu") = "X"; }), err::UnknownField);
    QCOMPARE(errorOf([&] { rs->Update(); }), err::ValueRequired);
    rs->Collect("Capitol") = "   ";
    QCOMPARE(errorOf([&] { rs->Update(); }), err::ValueRefused);
    QCOMPARE(s.count("tblCapitol"), 1);

    auto links = db->OpenRecordset("tblLegatura", dbOpenDynaset);
    links->AddNew();
    links->Collect("id_cuvant") = 999;
    links->Collect("id_capitol") = 1;
    QCOMPARE(errorOf([&] { links->Update(); }), err::RelatedRowRequired);
    QCOMPARE(s.count("tblLegatura"), 0);

    auto query = db->OpenRecordset(store::SearchStatement("A"));
    QCOMPARE(errorOf([&] { query->AddNew(); }), err::ReadOnly);
}

void EngineTest::duplicateKeepsThePendingRow()
{
    TempStore s;
    s.addChapter("GRAFURI");
    auto db = DBEngine().OpenDatabase("Dictionar.mdb");
    auto rs = db->OpenRecordset("tblCapitol", dbOpenDynaset);
    rs->AddNew();
    rs->Collect("Capitol") = "grafuri";
    QCOMPARE(errorOf([&] { rs->Update(); }), err::Duplicate);
    // The user corrects the text and saves the same pending row again.
    rs->Collect("Capitol") = "GRAFURI ORIENTATE";
    rs->Update();
    QCOMPARE(s.count("tblCapitol"), 2);
}

void EngineTest::editOfRowDeletedElsewhere()
{
    TempStore s;
    s.addChapter("A");
    auto db = DBEngine().OpenDatabase("Dictionar.mdb");
    auto rs = db->OpenRecordset("tblCapitol", dbOpenDynaset);
    rs->Edit();
    s.other().Execute(store::DeleteChapterStatement("A"));
    rs->Collect("Capitol") = "B";
    QCOMPARE(errorOf([&] { rs->Update(); }), err::RowDeleted);
    QCOMPARE(s.count("tblCapitol"), 0);
}

void EngineTest::keysAreNeverReusedAndMustFit32Bits()
{
    TempStore s;
    const auto first = s.addWord("UNU");
    s.other().Execute(store::DeleteWordStatement("UNU"));
    QVERIFY(s.addWord("DOI") > first);

    s.other().ExecuteScript(TempStore::onServer()
                                ? "SELECT setval(pg_get_serial_sequence('tbldictionar', 'id_cuvant'), 2147483647)"
                                : "UPDATE sqlite_sequence SET seq = 2147483647 WHERE name = 'tblDictionar'");
    auto db = DBEngine().OpenDatabase("Dictionar.mdb");
    auto rs = db->OpenRecordset("tblDictionar", dbOpenDynaset);
    rs->AddNew();
    rs->Collect("Cuvant") = "TREI";
    QCOMPARE(errorOf([&] { rs->Update(); }), err::Overflow);
    QCOMPARE(s.count("tblDictionar"), 1);

    QCOMPARE(errorOf([] { Variant(std::int64_t(1) << 31).ToInt32(); }), err::Overflow);
    QCOMPARE(errorOf([] { Variant("12a").ToInt32(); }), err::TypeMismatch);
    QCOMPARE(errorOf([] { Variant().ToInt32(); }), err::InvalidNull);
    QCOMPARE(Variant(" 42 ").ToInt32(), 42);
}

void EngineTest::fieldNamesIgnoreCase()
{
    TempStore s;
    const auto w = s.addWord("CHEIE");
    auto db = DBEngine().OpenDatabase("Dictionar.mdb");
    auto rs = db->OpenRecordset("TBLDICTIONAR", dbOpenDynaset);
    QCOMPARE(rs->Fields("id_cuvant").Value.ToInt32(), w);
    QCOMPARE(rs->Fields("CUVANT").Value.ToText(), QString("CHEIE"));
}

void EngineTest::missingEmptyAndForeignFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("missing") << QByteArray() << false << err::FileNotFound << "Dictionar.mdb";
    QTest::newRow("empty file") << QByteArray() << true << err::NotAStore << "nu este o bază de date Tarvix";
    QTest::newRow("text file") << QByteArray("cuvinte, capitole\n") << true << err::NotAStore << "Tarvix";
    QTest::newRow("random bytes") << QByteArray(4096, '\x5a') << true << err::NotAStore << "Tarvix";
    QTest::newRow("access file") << QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) + QByteArray(2048, '\0')
                                 << true << err::NotAStore << "Access";
}

void EngineTest::missingEmptyAndForeignFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, exists);
    QFETCH(int, number);
    QFETCH(QString, mentions);
    TempStore s(false);
    if (exists) {
        QFile f(s.file());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    QString text;
    QCOMPARE(errorOf(
                 [&] {
                     auto db = DBEngine().OpenDatabase("Dictionar.mdb");
                     store::RequireSchema(*db);
                 },
                 &text),
             number);
    QVERIFY2(text.contains(mentions), qPrintable(text));
    if (number == err::FileNotFound)
        QVERIFY(text.contains(QDir::toNativeSeparators(s.folder())));
    QCOMPARE(QFile::exists(s.file()), exists);  // never creates a file
    if (exists) {
        QFile f(s.file());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), content);  // nor changes one
    }
}

void EngineTest::closedObjectsRefuseWork()
{
    TempStore s;
    auto db = DBEngine().OpenDatabase("Dictionar.mdb");
    auto rs = db->OpenRecordset("tblCapitol", dbOpenDynaset);
    rs->Close();
    QCOMPARE(errorOf([&] { rs->Eof(); }), err::ObjectClosed);
    auto rs2 = db->OpenRecordset("tblCapitol", dbOpenDynaset);
    db->Close();
    QCOMPARE(errorOf([&] { db->OpenRecordset("tblCapitol"); }), err::ObjectClosed);
    QCOMPARE(errorOf([&] { rs2->AddNew(); }), err::ObjectClosed);
}

void EngineTest::storeGoneWhileOpen_data()
{
    QTest::addColumn<bool>("moved");
    QTest::newRow("deleted") << false;
    QTest::newRow("moved") << true;
}

// The next save says where the file went, not that it is read-only.
void EngineTest::storeGoneWhileOpen()
{
    QFETCH(bool, moved);
    TempStore s;
    s.addWord("UNU");
    s.other().Close();
    auto db = DBEngine().OpenDatabase("Dictionar.mdb");
    auto rs = db->OpenRecordset("tblDictionar", dbOpenDynaset);
    rs->AddNew();
    rs->Collect("Cuvant") = "DOI";
    QVERIFY(moved ? QFile::rename(s.file(), s.file() + ".mutat") : QFile::remove(s.file()));
    QString text;
    QCOMPARE(errorOf([&] { rs->Update(); }, &text), err::FileNotFound);
    QVERIFY2(text.contains("a fost șters sau mutat cât timp programul lucra cu el"), qPrintable(text));
}

void EngineTest::openTimeRules_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("rule");  // empty: the store opens
    QTest::addColumn<QString>("mend");

    const QString repair = "„tarvix-db check --repair Dictionar.mdb”";
    const QString check = "„tarvix-db check Dictionar.mdb”";
    QTest::newRow("sound") << ""
                           << ""
                           << "";
    QTest::newRow("folds of Romanian, German and Greek texts")
        << "INSERT INTO tblDictionar (Cuvant, Cuvant_Fold) VALUES ('ţară şi ŞIR', 'ȚARĂ ȘI ȘIR'), ('straße', "
           "'STRASSE'), ('λόγος', 'ΛΌΓΟΣ'), ('ǆ', 'Ǆ');"
        << ""
        << "";
    QTest::newRow("fold with the cedilla form")
        << "INSERT INTO tblDictionar (Cuvant, Cuvant_Fold) VALUES ('şir', 'ŞIR');"
        << "câmpul Cuvant_Fold" << repair;
    QTest::newRow("fold of accented letters without them")
        << "INSERT INTO tblDictionar (Cuvant, Cuvant_Fold) VALUES ('élève', 'ELEVE');"
        << "câmpul Cuvant_Fold" << repair;
    QTest::newRow("fold one letter short") << "INSERT INTO tblDictionar (Cuvant, Cuvant_Fold) VALUES ('ţară', 'ȚAR');"
                                           << "câmpul Cuvant_Fold" << repair;
    QTest::newRow("fold not of its text")
        << "INSERT INTO tblDictionar (Cuvant, Cuvant_Fold) VALUES ('program', 'program');"
        << "la cuvântul „program” (ID_Cuvant 3), câmpul Cuvant_Fold nu mai corespunde textului" << repair;
    QTest::newRow("chapter fold of another text") << "UPDATE tblCapitol SET Capitol_Fold = 'X' WHERE ID_Capitol = 1;"
                                                  << "la capitolul „ARBORI” (ID_Capitol 1)" << repair;
    QTest::newRow("untrimmed and lower-case texts do no harm")
        << "INSERT INTO tblDictionar (Cuvant, Cuvant_Fold) VALUES (' mic ', ' MIC ');"
        << ""
        << "";
    // A server holds only UTF-8 texts, keys of 32 bits and links to rows that exist.
    if (TempStore::onServer())
        return;
    QTest::newRow("fold not UTF-8")
        << "INSERT INTO tblDictionar (Cuvant, Cuvant_Fold) VALUES ('ţară', CAST(X'C89A41C4' AS TEXT));"
        << "câmpul Cuvant_Fold" << repair;
    QTest::newRow("bytes that are not UTF-8")
        << "INSERT INTO tblCapitol (Capitol, Capitol_Fold) VALUES (CAST(X'41FF' AS TEXT), 'A');"
        << "capitolul cu ID_Capitol 2 nu este text UTF-8 valid" << check;
    QTest::newRow("key past 32 bits")
        << "INSERT INTO tblDictionar (ID_Cuvant, Cuvant, Cuvant_Fold) VALUES (4294967296, 'MARE', 'MARE');"
        << "ID_Cuvant = 4294967296, care nu încape în 32 de biți" << check;
    QTest::newRow("link to a word not yet added")
        << "PRAGMA foreign_keys = OFF; INSERT INTO tblLegatura VALUES (3, 1);"
        << "o legătură trimite la cuvântul cu ID_Cuvant 3, care nu există" << repair;
    QTest::newRow("link to a chapter not yet added")
        << "PRAGMA foreign_keys = OFF; INSERT INTO tblLegatura VALUES (1, 77);"
        << "o legătură trimite la capitolul cu ID_Capitol 77" << repair;
    // No key is given twice, so no window ever sees such a link: check reports it.
    QTest::newRow("link to a deleted word opens")
        << "PRAGMA foreign_keys = OFF; DELETE FROM tblDictionar WHERE ID_Cuvant = 1;"
        << ""
        << "";
    QTest::newRow("orphan found without the links' indexes")
        << "DROP INDEX idxLegaturaCuvant; DROP INDEX idxLegaturaCapitol; PRAGMA foreign_keys = OFF; "
           "INSERT INTO tblLegatura VALUES (1, 77);"
        << "capitolul cu ID_Capitol 77" << repair;
}

// A store another program left out of step is not worked on blindly: opening
// it names the broken rule and the command that mends it.
void EngineTest::openTimeRules()
{
    QFETCH(QString, script);
    QFETCH(QString, rule);
    QFETCH(QString, mend);
    TempStore s;
    s.link(s.addWord("PROGRAM"), s.addChapter("ARBORI"));
    s.addWord("STIVĂ");
    if (!script.isEmpty())
        s.other().ExecuteScript(script);
    QString text;
    const int number = errorOf(
        [&] {
            auto db = DBEngine().OpenDatabase("Dictionar.mdb");
            store::RequireSchema(*db);
            store::RequireSoundStore(*db);
        },
        &text);
    if (rule.isEmpty()) {
        QCOMPARE(number, 0);
        return;
    }
    QCOMPARE(number, err::Corrupt);
    QVERIFY2(text.contains(rule), qPrintable(text));
    QVERIFY2(text.contains(mend), qPrintable(text));
}

// A real goes in as the number it is, not rounded to a whole one.
// check --repair writes through TextWriter: a row gone since it was read is an
// error, so the repair is undone rather than reported as done.
void EngineTest::textWriterNamesARowAnotherCopyDeleted()
{
    TempStore s;
    const std::int32_t key = s.addWord("UNU");
    auto db = DBEngine().OpenDatabase("Dictionar.mdb");
    store::TextWriter writer(*db, store::kWords);
    s.other().Execute(store::DeleteWordStatement("UNU"));
    for (const auto& write : {std::function<void()>([&] { writer.SetAside(Variant(key)); }),
                              std::function<void()>([&] { writer.Update(Variant(key), "DOI"); })}) {
        QString text;
        QCOMPARE(errorOf(write, &text), err::RowDeleted);
        QVERIFY2(text.startsWith(QStringLiteral("Cuvântul cu ID_Cuvant %1 ").arg(key)), qPrintable(text));
    }
    QCOMPARE(s.count("tblDictionar"), 0);
}

void EngineTest::realsAreStoredAsReals()
{
    TempStore s;
    auto db = DBEngine().OpenDatabase("Dictionar.mdb");
    db->ExecuteScript("CREATE TABLE tMasura (x DOUBLE PRECISION)");
    for (const double x : {2.5, -0.1, 1e-300})
        QCOMPARE(db->ExecuteSql("INSERT INTO tMasura (x) VALUES (?1)", {Variant(x)}), 1);
    QStringList got;
    for (const auto& row : db->QueryRows("SELECT x FROM tMasura ORDER BY x"))
        got << row.at(0).ToText();
    QCOMPARE(got, (QStringList{"-0.1", "1e-300", "2.5"}));
    QCOMPARE(db->QueryRows("SELECT count(*) FROM tMasura WHERE x = ?1", {Variant(2.5)}).at(0).at(0).ToInt64(), 1);
}

// The tools' change verb says how many rows it changed; rows removed by cascade are not counted.
void EngineTest::rawChangeCountsItsRows()
{
    TempStore s;
    const auto word = s.addWord("ARBORE");
    const auto first = s.addChapter("GRAFURI");
    s.link(word, first);
    s.link(word, s.addChapter("HEAP"));
    auto db = DBEngine().OpenDatabase("Dictionar.mdb");
    const QString unlink = "DELETE FROM tblLegatura WHERE ID_Cuvant = ?1 AND ID_Capitol = ?2";
    QCOMPARE(db->ExecuteSql(unlink, {Variant(word), Variant(first)}), 1);
    QCOMPARE(db->ExecuteSql(unlink, {Variant(word), Variant(first)}), 0);
    QCOMPARE(db->ExecuteSql("DELETE FROM tblDictionar WHERE ID_Cuvant = ?1", {Variant(word)}), 1);
    QCOMPARE(s.count("tblLegatura"), 0);
    QCOMPARE(db->ExecuteSql("UPDATE tblCapitol SET Capitol = Capitol"), 2);
    db->Close();
    QCOMPARE(errorOf([&] { db->ExecuteSql(unlink, {Variant(word), Variant(first)}); }), err::ObjectClosed);
}

// A statement in use is its user's alone: a second one of the same text, meanwhile, runs on its own.
void EngineTest::twoStatementsOfOneTextKeepTheirOwnRows()
{
    TempStore s;
    const auto a = s.addWord("ARBORE");
    const auto b = s.addWord("BAZĂ");
    std::unique_ptr<detail::Connection> conn;
    if (TempStore::onServer())
        conn = std::make_unique<detail::PgConnection>(s.file(), s.uri(), false);
    else
        conn = std::make_unique<detail::SqliteConnection>(s.file(), QFile::encodeName(s.file()), SQLITE_OPEN_READWRITE);
    const QString sql = "SELECT Cuvant FROM tblDictionar WHERE ID_Cuvant >= ?1 ORDER BY ID_Cuvant";
    for (int round = 0; round < 2; ++round) {
        detail::Statement outer(*conn, sql);
        outer.bind(1, Variant(a));
        QVERIFY(outer.step());
        {
            detail::Statement inner(*conn, sql);
            inner.bind(1, Variant(b));
            QVERIFY(inner.step());
            QCOMPARE(inner.column(0).ToText(), QString("BAZĂ"));
            QVERIFY(!inner.step());
        }
        QCOMPARE(outer.column(0).ToText(), QString("ARBORE"));
        QVERIFY(outer.step());
        QCOMPARE(outer.column(0).ToText(), QString("BAZĂ"));
        QVERIFY(!outer.step());
    }
    conn->close();
}

// A missing or vanished file has no counterpart on a server.
TARVIX_TEST_BOTH_BACKENDS(EngineTest, QCoreApplication, "missingEmptyAndForeignFiles", "storeGoneWhileOpen")
#include "tst_engine.moc"
