// Access 97 (Jet 3) and 2000-2003 (Jet 4) files for the importer's tests and benchmark; no indexes.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <utility>
#include <variant>
#include <vector>

namespace tarvix::test {

struct JetColumn {
    QString name;
    enum Kind { Long, Text, Memo } kind;
    int maxChars = 255;  // Text only: 1..255
};

using JetValue = std::optional<std::variant<qint32, QString>>;  // nullopt = NULL

struct JetRow {
    std::vector<JetValue> values;  // one per column
    bool deleted = false;          // kept on its page, flagged 0xC000 as Access does
    // Times a longer update moved it to another page: its place keeps a pointer (0x4000) to the data on a
    // later page (0x8000, skipped by a plain scan); each earlier copy stays behind deleted. Deleted after
    // moving: the pointer is flagged 0xC000, the data keeps 0x8000.
    int moved = 0;
};

struct JetTable {
    QString name;
    std::vector<JetColumn> columns;
    std::vector<JetRow> rows;
    QString linkedTo;  // a split database's table: only a link to the back-end file named here, no columns or rows
};

struct JetOptions {
    int version = 4;  // 3 = Access 97 (Jet 3, 2048-byte pages, texts in a code page); 4 = Access 2000-2003 (Jet 4,
                      // 4096-byte pages, UCS-2)
    int codePage =
        1250;  // Jet 3: the code page written in the header and in each text column; texts are encoded with it
    int columnCodePage = 0;     // Jet 3: if non-zero, written in the columns instead (to test a header/column mismatch)
    int textCodePage = 0;       // Jet 3: if non-zero, texts are encoded with it instead (bytes the header misnames)
    bool compressText = false;  // Jet 4: write texts with Unicode compression (0xFF 0xFE ...) where possible
    bool forceReferenceMaps = false;  // reference usage maps (0x05 pages) even for tables an inline map would cover
    // Memo: 0 keeps each memo in its row; else on pages of long values, at most this many bytes a page, in a
    // chain of pages when it takes more than one.
    int memoPageBytes = 0;
    QString password;  // the database password, as Access 97 (20 bytes) or 2000-2003 (20 letters) keeps it
};

// Throws std::invalid_argument for a value of the wrong kind, a text too long or not in the code page.
QByteArray WriteJet(const std::vector<JetTable>& tables, const JetOptions& options);
// Throws std::runtime_error on I/O failure.
void WriteJetFile(const QString& path, const std::vector<JetTable>& tables, const JetOptions& options);

// A text as read back: CP1250 has no ș ț Ș Ț, so Jet 3 writes ş ţ Ş Ţ (0xBA 0xFE 0xAA 0xDE) as Windows did.
QString JetReadBack(const QString& text, const JetOptions& options);

// The three tables of an old Tarvix dictionary (tblDictionar(ID_Cuvant Long, Cuvant Text 50),
// tblCapitol(ID_Capitol Long, Capitol Text 255), tblLegatura(ID_Cuvant Long, ID_Capitol Long)).
std::vector<JetTable> DictionaryTables(const std::vector<std::pair<qint32, JetValue>>& words,
                                       const std::vector<std::pair<qint32, JetValue>>& chapters,
                                       const std::vector<std::pair<JetValue, JetValue>>& links);

// The standard Romanian fixture: tblDictionar, tblCapitol, tblLegatura in that order.
// Jet 3 files hold these texts as JetReadBack gives them (ș ț Ș Ț become ş ţ Ş Ţ).
//
// tblDictionar (ID_Cuvant, Cuvant)
//    1  "măr"
//    2  "STIVĂ"                       folds like 3
//    3  "stivă"
//    4  "ŞI"                          cedilla Ş, folds like 5
//    5  "şi"                          cedilla ş
//    6  "Ştiinţă"                     cedilla letters, folds like 7 and 8
//    7  "știință"                     comma letters
//    8  "ȘTIINȚĂ"                     comma capitals
//    9  NULL
//   10  ""                            empty
//   11  "  pâine  "                   blanks on both sides
//   12  "ÎNGER"
//   13  "șters"                       DELETED
//   14  "anticonstituționalităților"  26 characters, more than 25
//   15  "cuvânt \"citat\""             double quotes
//   16  "Ţară"                        cedilla Ţ
//   17  "ăâîșț ĂÂÎȘȚ"
//   18  NULL                          DELETED
//
// tblCapitol (ID_Capitol, Capitol)
//    1  "Introducere"
//    2  "Țări și orașe"               comma letters, folds like 3
//    3  "Ţări şi oraşe"               cedilla letters
//    4  NULL
//    5  ""                            empty
//    6  "   Istoria României   "      blanks on both sides
//    7  255 characters: "Capitolul lung: " then "Învățământ și știință în România. " repeated, cut to 255
//    8  "Capitol șters"               DELETED
//    9  "Titlu cu \"ghilimele\" în el"
//   10  "ÎNVĂȚĂMÂNT ȘI ȘTIINȚĂ"
//   11  "Ă Â Î Ș Ț ă â î ș ț"
//
// tblLegatura (ID_Cuvant, ID_Capitol), in row order:
//   (1,1) (2,2) (3,2) (4,3) (5,3) (6,10) (7,10) (8,2) (11,6) (12,9) (14,7) (15,9) (16,2) (17,11)
//   (1,1) (2,2)        duplicates of live links
//   (99,1) (1,99)      orphans: no such word, no such chapter
//   (13,1) (1,8)       point at the deleted word 13 and the deleted chapter 8
//   (NULL,2) (3,NULL)  a NULL key on either side
//   (10,5)             DELETED (the empty word and the empty title)
//   (9,4)              the NULL word and the NULL title
// Live rows: 16 of 18 words, 10 of 11 chapters, 23 of 24 links.
std::vector<JetTable> RomanianFixture();

// Distinct words ("CUVÂNT 00012", "țară 00003"...), titles and link pairs spread over all; same counts, same file.
std::vector<JetTable> LargeDictionary(int words, int chapters, int links);

}  // namespace tarvix::test
