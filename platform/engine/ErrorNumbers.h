// The engine's error numbers and how an SQLite failure becomes one of them.
#pragma once

#include "platform/text/Error.h"

#include <QString>

struct sqlite3;

namespace tarvix {

// The windows only ever test Duplicate; the rest are shown to the user with
// their text, so each one names a distinct cause.
namespace err {
inline constexpr int Overflow = 6;              // a key no longer fits in 32 bits
inline constexpr int TypeMismatch = 13;         // a value that is not a number where one is needed
inline constexpr int InvalidNull = 94;          // an empty (null) value where a number is needed
inline constexpr int EngineFailure = 3000;      // anything else the file's library reports
inline constexpr int UpdateWithoutEdit = 3020;  // Update/CancelUpdate/Collect with no pending row
inline constexpr int NoCurrentRecord = 3021;    // reading or moving past the rows
inline constexpr int Duplicate = 3022;          // a unique value repeated
inline constexpr int FileNotFound = 3024;       // the file is not in the folder searched
inline constexpr int DiskFull = 3026;           // no space left on the disk
inline constexpr int ReadOnly = 3027;           // read-only file, folder or recordset
inline constexpr int DiskError = 3043;          // input/output error
inline constexpr int Corrupt = 3049;            // the file is damaged
inline constexpr int LocksNotShared = 3050;     // a file system whose locks other computers do not see
inline constexpr int CannotOpen = 3051;         // the file is there but cannot be opened
inline constexpr int UnknownTable = 3078;       // a table the store does not have
inline constexpr int StatementNotUnderstood = 3129;
inline constexpr int FieldNotUpdatable = 3164;   // the key the store gives cannot be set
inline constexpr int RowDeleted = 3167;          // the row went away since it was read
inline constexpr int RelatedRowRequired = 3201;  // a link to a word or chapter that does not exist
inline constexpr int Locked = 3218;              // another copy holds the file past the wait
inline constexpr int UnknownField = 3265;
inline constexpr int ValueRequired = 3314;   // a required field left empty
inline constexpr int ValueRefused = 3315;    // a value the store's rules refuse
inline constexpr int NotAStore = 3343;       // not a Tarvix store (not SQLite, or tables/fields missing)
inline constexpr int ObjectClosed = 3420;    // using a closed connection or recordset
inline constexpr int AlreadyExists = 3204;   // creating a file that is already there
inline constexpr int ConnectionLost = 3151;  // the database server went away during the session
}  // namespace err

// A failure at opening a store that a command of the program's own tools mends (making the store,
// converting an older file, undoing a change cut short). The engine names the condition and the
// file; the layer that knows the tools words the advice.
enum class StoreCondition { Missing, OlderAccessFile, RollbackPending, LocksNotShared, BrokenServerLink };

class StoreConditionError : public EngineError {
public:
    StoreConditionError(int number, QString text, StoreCondition condition, QString fileName)
        : EngineError(number, std::move(text)), condition_(condition), fileName_(std::move(fileName))
    {
    }
    StoreCondition Condition() const noexcept { return condition_; }
    // The file's name as the text gives it (no folder).
    const QString& FileName() const noexcept { return fileName_; }

private:
    StoreCondition condition_;
    QString fileName_;
};

namespace detail {

// Throws the engine error for an SQLite result code: its number by the one map
// below, its text naming the file (a file name, no folder) and SQLite's detail.
[[noreturn]] void RaiseSqliteError(sqlite3* db, int rc, const QString& file);

// Throws the engine error for a PostgreSQL server's SQLSTATE, by the same
// numbers: its text names the server and gives the server's detail.
[[noreturn]] void RaiseServerError(const char* sqlstate, const QString& detail, const QString& server);

}  // namespace detail

}  // namespace tarvix
