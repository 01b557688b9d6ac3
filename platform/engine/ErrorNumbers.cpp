#include "platform/engine/ErrorNumbers.h"

#include <sqlite3.h>

namespace tarvix::detail {

namespace {

// Which text an SQLite code gets: %1 is the file name, %2 SQLite's detail.
struct SqliteText {
    int code;  // an extended code, or a primary one matched against (extended & 0xff)
    bool extended;
    int number;
    const char* text;
};

const SqliteText kSqliteTexts[] = {
    {SQLITE_CONSTRAINT_UNIQUE, true, err::Duplicate,
     "Modificarea nu a fost făcută: ar repeta o valoare care trebuie să fie unică (%2)."},
    {SQLITE_CONSTRAINT_PRIMARYKEY, true, err::Duplicate,
     "Modificarea nu a fost făcută: ar repeta o valoare care trebuie să fie unică (%2)."},
    {SQLITE_CONSTRAINT_FOREIGNKEY, true, err::RelatedRowRequired,
     "Modificarea nu a fost făcută: cuvântul sau capitolul la care trimite legătura nu există."},
    {SQLITE_CONSTRAINT_NOTNULL, true, err::ValueRequired,
     "Modificarea nu a fost făcută: un câmp obligatoriu a rămas necompletat (%2)."},
    {SQLITE_CONSTRAINT_CHECK, true, err::ValueRefused,
     "Modificarea nu a fost făcută: valoarea este goală sau prea lungă (%2)."},
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
    // One pass, so a file name or a detail holding "%2" stays as it is.
    const QString pattern = QString::fromUtf8(found ? found->text : kOtherFailure);
    QString text;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == u'%' && i + 1 < pattern.size() && (pattern[i + 1] == u'1' || pattern[i + 1] == u'2')) {
            text += pattern[i + 1] == u'1' ? file : detail;
            ++i;
        } else {
            text += pattern[i];
        }
    }
    if (extended == SQLITE_READONLY_ROLLBACK)
        throw StoreConditionError(found->number, text, StoreCondition::RollbackPending, file);
    throw EngineError(found ? found->number : err::EngineFailure, text);
}

}  // namespace tarvix::detail
