// The database engine the windows talk to: connections, recordsets and the
// older SQL dialect, over SQLite. Knows nothing of Qt Widgets.
#pragma once

#include <QString>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <variant>
#include <vector>

namespace tarvix {

// Error numbers. The windows only ever test Duplicate; the rest are shown to
// the user with their text, so each one names a distinct cause.
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
inline constexpr int CannotOpen = 3051;         // the file is there but cannot be opened
inline constexpr int UnknownTable = 3078;       // a table the store does not have
inline constexpr int StatementNotUnderstood = 3129;
inline constexpr int FieldNotUpdatable = 3164;  // the key the store gives cannot be set
inline constexpr int RowDeleted = 3167;         // the row went away since it was read
inline constexpr int RelatedRowRequired = 3201; // a link to a word or chapter that does not exist
inline constexpr int Locked = 3218;             // another copy holds the file past the wait
inline constexpr int UnknownField = 3265;
inline constexpr int ValueRequired = 3314;      // a required field left empty
inline constexpr int ValueRefused = 3315;       // a value the store's rules refuse
inline constexpr int NotAStore = 3343;          // not a Tarvix store (not SQLite, or tables/fields missing)
inline constexpr int ObjectClosed = 3420;       // using a closed connection or recordset
inline constexpr int AlreadyExists = 3204;      // creating a file that is already there
}  // namespace err

// An engine error: a number and a Romanian text.
class EngineError : public std::exception {
public:
    EngineError(int number, QString text);
    int Number() const noexcept { return number_; }
    const QString& Text() const noexcept { return text_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    int number_;
    QString text_;
    std::string utf8_;
};

// A field value: null, an integer, a real or a text.
class Variant {
public:
    Variant() = default;
    Variant(int v) : v_(static_cast<std::int64_t>(v)) {}
    Variant(std::int64_t v) : v_(v) {}
    Variant(double v) : v_(v) {}
    Variant(QString v) : v_(std::move(v)) {}
    Variant(const char* v) : v_(QString::fromUtf8(v)) {}

    bool IsNull() const { return std::holds_alternative<std::monostate>(v_); }
    bool IsText() const { return std::holds_alternative<QString>(v_); }
    // Numbers become decimal digits; null becomes the empty text.
    QString ToText() const;
    // Raises Overflow past 32 bits and TypeMismatch for a text that is not a number.
    std::int32_t ToInt32() const;
    std::int64_t ToInt64() const;

    bool operator==(const Variant&) const = default;

private:
    friend class Recordset;
    friend class Database;
    std::variant<std::monostate, std::int64_t, double, QString> v_;
};

struct Field {
    Variant Value;
};

// Recordset kinds, with the old engine's numbers.
inline constexpr int dbOpenTable = 1;
inline constexpr int dbOpenDynaset = 2;
inline constexpr int dbOpenSnapshot = 4;
inline constexpr int dbUpdateRegular = 1;

namespace detail {
struct Connection;
struct TableInfo;
}  // namespace detail

// Rows of a table or a query. A table's rows are read at the first look at
// them, in key order, so two dynasets over an unchanged table list the same
// rows in the same order; adding a row reads none of them.
class Recordset {
public:
    // Collect(name) = value: sets a field of the pending row.
    class FieldSetter {
    public:
        FieldSetter& operator=(const Variant& v);

    private:
        friend class Recordset;
        FieldSetter(Recordset& rs, int column) : rs_(rs), column_(column) {}
        Recordset& rs_;
        int column_;
    };

    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // EOF is a C macro, hence the spelling.
    bool Eof() const;
    void MoveFirst();
    void MoveNext();
    void Move(std::int32_t rows);
    std::int32_t AbsolutePosition() const;
    // Table-type: the number of rows; dynaset and query: 0 when empty, else the rows read.
    std::int32_t RecordCount();
    Field Fields(const QString& name) const;
    FieldSetter Collect(const QString& name);
    void AddNew();
    void Edit();
    void Update(int type = dbUpdateRegular, bool force = false);
    void CancelUpdate(int type = dbUpdateRegular);
    void Close();

    // The field names, in order (for tools).
    std::vector<QString> FieldNames() const;

private:
    friend class Database;
    enum class Kind { Table, Dynaset, Query };
    enum class Pending { None, Adding, Editing };
    Recordset(std::shared_ptr<detail::Connection> conn, Kind kind);
    void load(const QString& sql, const std::vector<Variant>& params);
    void ensureLoaded();
    void ensureOpen() const;
    void ensureCurrent() const;
    int column(const QString& name) const;
    void refreshRow(std::int64_t rowid, std::size_t at);

    std::shared_ptr<detail::Connection> conn_;
    Kind kind_;
    const detail::TableInfo* table_ = nullptr;  // for Table and Dynaset
    std::vector<QString> names_;
    // Rows one after another, names_.size() cells each: one allocation for a whole table.
    std::vector<Variant> cells_;
    std::size_t rowCount() const { return names_.empty() ? 0 : cells_.size() / names_.size(); }
    const Variant& cell(std::size_t row, std::size_t column) const { return cells_[row * names_.size() + column]; }
    std::vector<std::int64_t> rowids_;
    std::size_t pos_ = 0;
    bool loaded_ = false;
    bool open_ = true;
    Pending pending_ = Pending::None;
    std::vector<Variant> pendingValues_;
    std::vector<bool> pendingSet_;
};

// One open file.
class Database {
public:
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // A table name, or a SELECT in the windows' dialect.
    std::unique_ptr<Recordset> OpenRecordset(const QString& source, int type = 0);
    // A DELETE in the windows' dialect.
    void Execute(const QString& statement);
    void Close();
    bool IsOpen() const;

    // For the store's tools only: plain SQLite script (schema), transactions.
    void ExecuteScript(const QString& sql);
    void BeginTransaction();
    void CommitTransaction();
    void RollbackTransaction() noexcept;
    // Reads the table list again after the schema changed.
    void ReloadSchema();
    // Table and field names as the file spells them (empty when the table is missing).
    std::vector<QString> TableFields(const QString& table) const;
    bool HasTable(const QString& table) const;
    // One value from a plain SQLite query with no parameters (tools and checks).
    Variant QueryValue(const QString& sql);
    // Every row of a plain SQLite query, with optional parameters ?1, ?2... (tools and checks).
    std::vector<std::vector<Variant>> QueryRows(const QString& sql, const std::vector<Variant>& params = {});
    // The file name given when opening, and the folder it was found in.
    QString FilePath() const;

private:
    friend class DBEngine;
    explicit Database(std::shared_ptr<detail::Connection> conn);
    std::shared_ptr<detail::Connection> conn_;
};

class DBEngine {
public:
    // Opens an existing file for reading and writing; never creates one.
    std::unique_ptr<Database> OpenDatabase(const QString& name);
    // Makes a new, empty file; refuses to overwrite one (AlreadyExists).
    std::unique_ptr<Database> CreateDatabase(const QString& name);
    // How long a write waits for another copy's lock before failing with Locked.
    static inline int BusyTimeoutMs = 5000;
    // Asked when the file to open is an older Jet (Access) file, with its full
    // path: true once a Tarvix store stands in its place, false to refuse it.
    // The program sets it at start-up; unset, such a file is refused.
    using JetFileHandler = std::function<bool(const QString& path)>;
    static inline JetFileHandler OnJetFile;
};

// True for a file that begins like a Jet or ACE (Access) database.
bool IsJetFile(const QString& path);

}  // namespace tarvix
