// What the commands of tarvix-db share: exit codes, messages, opening a store,
// a transaction that undoes itself, and adding words, chapters and links.
#pragma once

#include "platform/Engine.h"
#include "platform/text/TextFunctions.h"
#include "store/OpenStore.h"
#include "store/Schema.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace tarvix::tool {

// Documented in the help text; scripts rely on them.
namespace exitcode {
inline constexpr int Ok = 0;
inline constexpr int BadArguments = 2;
inline constexpr int FileProblem = 3;  // missing, not a store, cannot open, already there
inline constexpr int Refused = 4;      // import refused, or check found the store unsound
inline constexpr int EngineFailure = 5;
inline constexpr int PasswordNeeded = 6;  // the Access file has a password: none was given, or another
}  // namespace exitcode

// A command that cannot go on: the exit code and the Romanian message for stderr.
struct Failure {
    int code;
    QString message;
};

// Both go out as UTF-8, whatever the locale.
void PrintOut(const QString& text);
void PrintErr(const QString& text);

// While one lives, what PrintOut and PrintErr print is kept in it instead, so
// a test can run a command in its own process and read what it said.
class CapturedOutput {
public:
    CapturedOutput();
    ~CapturedOutput();
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;

    QString out;
    QString err;

private:
    CapturedOutput* previous_;
};

// "eroarea 3024: Nu găsesc ..."
QString DescribeEngineError(const EngineError& e);

// The program a user edits the store with by hand: sqlite3 for a file, psql for a server.
QString HandEditor(const Database& db);

// The first items of a long list, then "… și încă N".
QStringList Listed(const QStringList& items, int limit = 50);
// Each of Listed(items) on stderr, after prefix.
void PrintListed(const QString& prefix, const QStringList& items);

// A spreadsheet runs a cell that begins with = + - @ as a formula: export puts a
// ' before such a text (and before one that begins with '), import takes exactly it away.
QString Neutralised(const QString& text);
QString Unneutralised(const QString& cell);

// The password for server, read from the terminal without echo; nothing without a terminal.
std::optional<QString> AskPasswordOnTerminal(const QString& server);

// How a command opens the store (the store's own three ways).
using Access = store::Access;

// Opens an existing store and makes sure it holds the three tables; any
// failure is a FileProblem naming the file.
std::unique_ptr<Database> OpenStore(const QString& file, Access access);

// Rows to add; links name their word and chapter by text.
struct Content {
    QStringList words;
    QStringList chapters;
    std::vector<std::pair<QString, QString>> links;
};

// Adds the rows through recordsets, as the editors do, inside the caller's
// transaction; link texts are matched the way the store compares texts.
void AppendContent(Database& db, const Content& content);

}  // namespace tarvix::tool
