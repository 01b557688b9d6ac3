#include "platform/engine/ErrorNumbers.h"

#include <sqlite3.h>

namespace tarvix::detail {

namespace {

// Texts a file and a server share: %2 is the store's detail.
const char* const kDuplicateText = "Modificarea nu a fost făcută: ar repeta o valoare care trebuie să fie unică (%2).";
const char* const kRelatedText =
    "Modificarea nu a fost făcută: cuvântul sau capitolul la care trimite legătura nu există.";
const char* const kRequiredText = "Modificarea nu a fost făcută: un câmp obligatoriu a rămas necompletat (%2).";
const char* const kRefusedText = "Modificarea nu a fost făcută: valoarea este goală sau prea lungă (%2).";

// Which text an SQLite code gets: %1 is the file name, %2 SQLite's detail.
struct SqliteText {
    int code;  // an extended code, or a primary one matched against (extended & 0xff)
    bool extended;
    int number;
    const char* text;
};

const SqliteText kSqliteTexts[] = {
    {SQLITE_CONSTRAINT_UNIQUE, true, err::Duplicate, kDuplicateText},
    {SQLITE_CONSTRAINT_PRIMARYKEY, true, err::Duplicate, kDuplicateText},
    {SQLITE_CONSTRAINT_FOREIGNKEY, true, err::RelatedRowRequired, kRelatedText},
    {SQLITE_CONSTRAINT_NOTNULL, true, err::ValueRequired, kRequiredText},
    {SQLITE_CONSTRAINT_CHECK, true, err::ValueRefused, kRefusedText},
    {SQLITE_BUSY, false, err::Locked,
     "Fișierul „%1” este ocupat de alt program sau de altă copie a lui Tarvix; încercați din nou peste câteva "
     "clipe."},
    {SQLITE_LOCKED, false, err::Locked,
     "Fișierul „%1” este ocupat de alt program sau de altă copie a lui Tarvix; încercați din nou peste câteva "
     "clipe."},
    // SQLite notices at the next write that the file it has open is no longer under its name.
    {SQLITE_READONLY_DBMOVED, true, err::FileNotFound,
     "Fișierul „%1” a fost șters sau mutat cât timp programul lucra cu el: modificarea nu a fost făcută."},
    {SQLITE_READONLY_ROLLBACK, true, err::ReadOnly,
     "Lângă „%1” a rămas o modificare întreruptă, care trebuie anulată înainte ca fișierul să fie citit, iar el este "
     "deschis doar pentru citire."},
    {SQLITE_READONLY, false, err::ReadOnly,
     "Fișierul „%1” sau dosarul lui poate fi doar citit: modificarea nu a fost făcută."},
    {SQLITE_FULL, false, err::DiskFull, "Nu mai este loc pe disc: modificarea nu a fost făcută."},
    {SQLITE_IOERR, false, err::DiskError, "Eroare de disc sau de rețea la lucrul cu fișierul „%1” (%2)."},
    {SQLITE_CORRUPT, false, err::Corrupt, "Fișierul „%1” este deteriorat."},
    {SQLITE_NOTADB, false, err::NotAStore, "Fișierul „%1” nu este o bază de date Tarvix."},
    {SQLITE_CANTOPEN, false, err::CannotOpen, "Fișierul „%1” nu poate fi deschis (%2)."},
    {SQLITE_PERM, false, err::CannotOpen, "Fișierul „%1” nu poate fi deschis (%2)."},
    {SQLITE_AUTH, false, err::CannotOpen, "Fișierul „%1” nu poate fi deschis (%2)."},
    {SQLITE_CONSTRAINT, false, err::ValueRefused, "Modificarea nu a fost făcută (%2)."},
};

const char* const kOtherFailure = "Eroare a bazei de date: %2.";

// Which text a server's SQLSTATE gets, %1 naming the server; a code of two
// characters stands for its whole class.
struct ServerText {
    const char* sqlstate;
    int number;
    const char* text;
};

const char* const kLostText = "Legătura cu baza de date %1 s-a pierdut; ce nu fusese salvat nu a fost scris (%2). "
                              "Programul reface legătura la următoarea încercare.";

const ServerText kServerTexts[] = {
    {"23505", err::Duplicate, kDuplicateText},
    {"23503", err::RelatedRowRequired, kRelatedText},
    {"23502", err::ValueRequired, kRequiredText},
    {"23514", err::ValueRefused, kRefusedText},
    {"22001", err::ValueRefused, kRefusedText},
    {"42501", err::ReadOnly, "Pe serverul %1 nu aveți drept de scriere: modificarea nu a fost făcută."},
    {"25006", err::ReadOnly, "Baza de date %1 este deschisă doar pentru citire: modificarea nu a fost făcută."},
    {"2200H", err::Overflow, "Depășire: cheile pe 32 de biți s-au terminat în %1; rândul nu a fost adăugat."},
    {"40001", err::Locked, "Baza de date %1 este ocupată de alt calculator; încercați din nou peste câteva clipe."},
    {"40P01", err::Locked, "Baza de date %1 este ocupată de alt calculator; încercați din nou peste câteva clipe."},
    {"55P03", err::Locked, "Baza de date %1 este ocupată de alt calculator; încercați din nou peste câteva clipe."},
    {"53100", err::DiskFull, "Nu mai este loc pe discul serverului %1: modificarea nu a fost făcută."},
    {"08", err::ConnectionLost, kLostText},
    {"57", err::ConnectionLost, kLostText},
};

// pattern with %1 and %2 put in, in one pass, so a name or a detail holding "%2" stays as it is.
QString fill(const char* pattern, const QString& one, const QString& two)
{
    const QString p = QString::fromUtf8(pattern);
    QString text;
    for (qsizetype i = 0; i < p.size(); ++i) {
        if (p[i] == u'%' && i + 1 < p.size() && (p[i + 1] == u'1' || p[i + 1] == u'2')) {
            text += p[i + 1] == u'1' ? one : two;
            ++i;
        } else {
            text += p[i];
        }
    }
    return text;
}

}  // namespace

void RaiseSqliteError(sqlite3* db, int rc, const QString& file)
{
    const int extended = db ? sqlite3_extended_errcode(db) : rc;
    const QString detail = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    const SqliteText* found = nullptr;
    for (const SqliteText& t : kSqliteTexts)
        if (t.extended && t.code == extended) {
            found = &t;
            break;
        }
    if (!found)
        for (const SqliteText& t : kSqliteTexts)
            if (!t.extended && t.code == (extended & 0xff)) {
                found = &t;
                break;
            }
    const QString text = fill(found ? found->text : kOtherFailure, file, detail);
    if (extended == SQLITE_READONLY_ROLLBACK)
        throw StoreConditionError(found->number, text, StoreCondition::RollbackPending, file);
    throw EngineError(found ? found->number : err::EngineFailure, text);
}

void RaiseServerError(const char* sqlstate, const QString& detail, const QString& server)
{
    const QByteArrayView code(sqlstate ? sqlstate : "");
    for (const ServerText& t : kServerTexts)
        if (code.startsWith(QByteArrayView(t.sqlstate)))
            throw EngineError(t.number, fill(t.text, server, detail));
    throw EngineError(err::EngineFailure, fill(kOtherFailure, server, detail));
}

}  // namespace tarvix::detail
