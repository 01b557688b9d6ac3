#include "platform/Engine.h"

#include "platform/Dialect.h"
#include "platform/TextFold.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sqlite3.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <unordered_map>

namespace tarvix {

EngineError::EngineError(int number, QString text)
    : number_(number), text_(std::move(text)), utf8_(QStringLiteral("%1: %2").arg(number).arg(text_).toStdString())
{
}

// ---------------------------------------------------------------- values

QString Variant::ToText() const
{
    if (const auto* s = std::get_if<QString>(&v_))
        return *s;
    if (const auto* i = std::get_if<std::int64_t>(&v_))
        return QString::number(*i);
    if (const auto* d = std::get_if<double>(&v_))
        return QString::number(*d, 'g', 15);
    return {};
}

std::int64_t Variant::ToInt64() const
{
    if (const auto* i = std::get_if<std::int64_t>(&v_))
        return *i;
    if (const auto* d = std::get_if<double>(&v_)) {
        if (!std::isfinite(*d) || std::fabs(*d) > 9.2e18)
            throw EngineError(err::Overflow, QStringLiteral("Depășire: valoarea %1 este prea mare.").arg(*d));
        return std::llround(*d);
    }
    if (const auto* s = std::get_if<QString>(&v_)) {
        bool ok = false;
        const qlonglong v = s->trimmed().toLongLong(&ok);
        if (!ok)
            throw EngineError(err::TypeMismatch, QStringLiteral("Tip nepotrivit: „%1” nu este un număr.").arg(*s));
        return v;
    }
    throw EngineError(err::InvalidNull, QStringLiteral("Folosire nevalidă a unei valori goale (Null) acolo unde se cere un număr."));
}

std::int32_t Variant::ToInt32() const
{
    const std::int64_t v = ToInt64();
    if (v < INT32_MIN || v > INT32_MAX)
        throw EngineError(err::Overflow, QStringLiteral("Depășire: valoarea %1 nu încape într-un întreg de 32 de biți.").arg(v));
    return static_cast<std::int32_t>(v);
}

// ---------------------------------------------------------------- connection

namespace detail {

struct SqliteCloser {
    void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
};
struct StmtFinalizer {
    void operator()(sqlite3_stmt* st) const noexcept { sqlite3_finalize(st); }
};
using StmtPtr = std::unique_ptr<sqlite3_stmt, StmtFinalizer>;

struct Connection {
    std::unique_ptr<sqlite3, SqliteCloser> db;
    QString path;  // absolute
    Schema schema;
    // Statements the windows repeat (a search, a fill) are prepared once.
    std::unordered_map<QString, StmtPtr> cache;
    TranslationCache translations;

    sqlite3* handle() const
    {
        if (!db)
            throw EngineError(err::ObjectClosed, QStringLiteral("Conexiunea la baza de date a fost închisă."));
        return db.get();
    }
    QString fileName() const { return QFileInfo(path).fileName(); }

    [[noreturn]] void fail(int rc) const;
    void check(int rc) const
    {
        if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE)
            fail(rc);
    }
    // A reset statement with the parameters bound; it goes back to the cache when the guard ends.
    struct Bound {
        sqlite3_stmt* st;
        ~Bound()
        {
            sqlite3_reset(st);
            sqlite3_clear_bindings(st);
        }
    };
    sqlite3_stmt* prepare(const QString& sql)
    {
        auto it = cache.find(sql);
        if (it != cache.end())
            return it->second.get();
        sqlite3_stmt* st = nullptr;
        const QByteArray utf8 = sql.toUtf8();
        const int rc = sqlite3_prepare_v3(handle(), utf8.constData(), static_cast<int>(utf8.size()),
                                          SQLITE_PREPARE_PERSISTENT, &st, nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_finalize(st);
            fail(rc);
        }
        cache.emplace(sql, StmtPtr(st));
        return st;
    }
    void bind(sqlite3_stmt* st, int index, const Variant& v) const;
    Variant column(sqlite3_stmt* st, int index) const
    {
        switch (sqlite3_column_type(st, index)) {
        case SQLITE_INTEGER: return Variant(static_cast<std::int64_t>(sqlite3_column_int64(st, index)));
        case SQLITE_FLOAT: return Variant(sqlite3_column_double(st, index));
        case SQLITE_NULL: return Variant();
        default: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, index));
            return Variant(QString::fromUtf8(text, sqlite3_column_bytes(st, index)));
        }
        }
    }
    // Runs a statement that returns no rows.
    void run(sqlite3_stmt* st)
    {
        Bound guard{st};
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE)
            fail(rc);
    }
    void exec(const char* sql)
    {
        check(sqlite3_exec(handle(), sql, nullptr, nullptr, nullptr));
    }
    void loadSchema();
};

void Connection::fail(int rc) const
{
    const int extended = db ? sqlite3_extended_errcode(db.get()) : rc;
    const QString detail = db ? QString::fromUtf8(sqlite3_errmsg(db.get())) : QString::fromUtf8(sqlite3_errstr(rc));
    const QString file = fileName();
    switch (extended) {
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY:
        throw EngineError(err::Duplicate, QStringLiteral("Modificarea nu a fost făcută: ar repeta o valoare care "
                                                         "trebuie să fie unică (%1).").arg(detail));
    case SQLITE_CONSTRAINT_FOREIGNKEY:
        throw EngineError(err::RelatedRowRequired, QStringLiteral("Modificarea nu a fost făcută: cuvântul sau "
                                                                  "capitolul la care trimite legătura nu există."));
    case SQLITE_CONSTRAINT_NOTNULL:
        throw EngineError(err::ValueRequired, QStringLiteral("Modificarea nu a fost făcută: un câmp obligatoriu "
                                                             "a rămas necompletat (%1).").arg(detail));
    case SQLITE_CONSTRAINT_CHECK:
        throw EngineError(err::ValueRefused, QStringLiteral("Modificarea nu a fost făcută: valoarea este goală "
                                                            "sau prea lungă (%1).").arg(detail));
    default: break;
    }
    switch (extended & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        throw EngineError(err::Locked, QStringLiteral("Fișierul „%1” este folosit de altă copie a programului; "
                                                      "încercați din nou peste câteva clipe.").arg(file));
    case SQLITE_READONLY:
        throw EngineError(err::ReadOnly, QStringLiteral("Fișierul „%1” sau dosarul lui poate fi doar citit: "
                                                        "modificarea nu a fost făcută.").arg(file));
    case SQLITE_FULL:
        throw EngineError(err::DiskFull, QStringLiteral("Nu mai este loc pe disc: modificarea nu a fost făcută."));
    case SQLITE_IOERR:
        throw EngineError(err::DiskError, QStringLiteral("Eroare de disc sau de rețea la lucrul cu fișierul „%1” (%2).")
                                              .arg(file, detail));
    case SQLITE_CORRUPT:
        throw EngineError(err::Corrupt, QStringLiteral("Fișierul „%1” este deteriorat.").arg(file));
    case SQLITE_NOTADB:
        throw EngineError(err::NotAStore, QStringLiteral("Fișierul „%1” nu este o bază de date Tarvix.").arg(file));
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        throw EngineError(err::CannotOpen, QStringLiteral("Fișierul „%1” nu poate fi deschis (%2).").arg(file, detail));
    case SQLITE_CONSTRAINT:
        throw EngineError(err::ValueRefused, QStringLiteral("Modificarea nu a fost făcută (%1).").arg(detail));
    default:
        throw EngineError(err::EngineFailure, QStringLiteral("Eroare a bazei de date: %1.").arg(detail));
    }
}

void Connection::bind(sqlite3_stmt* st, int index, const Variant& v) const
{
    int rc = SQLITE_OK;
    if (v.IsNull()) {
        rc = sqlite3_bind_null(st, index);
    } else if (v.IsText()) {
        const QByteArray utf8 = v.ToText().toUtf8();
        rc = sqlite3_bind_text64(st, index, utf8.constData(), static_cast<sqlite3_uint64>(utf8.size()),
                                 SQLITE_TRANSIENT, SQLITE_UTF8);
    } else {
        rc = sqlite3_bind_int64(st, index, v.ToInt64());
    }
    check(rc);
}

void Connection::loadSchema()
{
    Schema fresh;
    std::vector<QString> names;
    {
        sqlite3_stmt* st = prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                                  "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY name"));
        Bound guard{st};
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW)
            names.push_back(column(st, 0).ToText());
        if (rc != SQLITE_DONE)
            fail(rc);
    }
    for (const QString& name : names) {
        TableInfo t;
        t.name = name;
        struct Raw {
            QString name, type;
            int pk;
        };
        std::vector<Raw> raw;
        {
            QString quoted = name;
            quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
            sqlite3_stmt* st = prepare(QStringLiteral("PRAGMA table_info(\"%1\")").arg(quoted));
            Bound guard{st};
            int rc;
            while ((rc = sqlite3_step(st)) == SQLITE_ROW)
                raw.push_back({column(st, 1).ToText(), column(st, 2).ToText(), sqlite3_column_int(st, 5)});
            if (rc != SQLITE_DONE)
                fail(rc);
        }
        // A column Xxx_Fold holds the fold key of column Xxx and is not shown as a field.
        auto isFoldOf = [&](const Raw& c) -> QString {
            if (!c.name.endsWith(QLatin1String("_Fold"), Qt::CaseInsensitive))
                return {};
            const QString base = c.name.left(c.name.size() - 5);
            for (const Raw& other : raw)
                if (other.name.compare(base, Qt::CaseInsensitive) == 0)
                    return other.name;
            return {};
        };
        int pkCount = 0;
        for (const Raw& c : raw)
            pkCount += c.pk > 0 ? 1 : 0;
        for (const Raw& c : raw)
            if (isFoldOf(c).isEmpty()) {
                if (pkCount == 1 && c.pk == 1 && c.type.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0)
                    t.keyColumn = static_cast<int>(t.columns.size());
                t.columns.push_back({c.name, {}});
            }
        for (const Raw& c : raw) {
            const QString base = isFoldOf(c);
            if (!base.isEmpty())
                t.columns[static_cast<std::size_t>(t.find(base))].foldColumn = c.name;
        }
        fresh.tables.push_back(std::move(t));
    }
    schema = std::move(fresh);
}

QString quoteName(const QString& name)
{
    QString q = name;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

}  // namespace detail

using detail::Connection;

// ---------------------------------------------------------------- recordset

Recordset::Recordset(std::shared_ptr<Connection> conn, Kind kind) : conn_(std::move(conn)), kind_(kind) {}

Recordset::~Recordset() = default;

void Recordset::ensureOpen() const
{
    if (!open_ || !conn_->db)
        throw EngineError(err::ObjectClosed, QStringLiteral("Setul de înregistrări a fost închis."));
}

void Recordset::load(const QString& sql, const std::vector<Variant>& params)
{
    sqlite3_stmt* st = conn_->prepare(sql);
    Connection::Bound guard{st};
    for (std::size_t i = 0; i < params.size(); ++i)
        conn_->bind(st, static_cast<int>(i + 1), params[i]);
    const int first = kind_ == Kind::Query ? 0 : 1;  // table rows carry their rowid first
    const int count = sqlite3_column_count(st);
    cells_.clear();
    rowids_.clear();
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        for (int c = first; c < count; ++c)
            cells_.push_back(conn_->column(st, c));
        if (first)
            rowids_.push_back(sqlite3_column_int64(st, 0));
    }
    if (rc != SQLITE_DONE)
        conn_->fail(rc);
    loaded_ = true;
    pos_ = 0;
}

static QString tableSelect(const detail::TableInfo& t, const QString& where)
{
    QStringList cols{QStringLiteral("rowid")};
    for (const detail::ColumnInfo& c : t.columns)
        cols << detail::quoteName(c.name);
    return QStringLiteral("SELECT ") + cols.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") + detail::quoteName(t.name)
        + where;
}

void Recordset::ensureLoaded()
{
    ensureOpen();
    if (!loaded_)
        load(tableSelect(*table_, QStringLiteral(" ORDER BY rowid")), {});
}

bool Recordset::Eof() const
{
    const_cast<Recordset*>(this)->ensureLoaded();
    return pos_ >= rowCount();
}

void Recordset::ensureCurrent() const
{
    if (Eof())
        throw EngineError(err::NoCurrentRecord, QStringLiteral("Nu există un rând curent."));
}

void Recordset::MoveFirst()
{
    ensureLoaded();
    pos_ = 0;
}

void Recordset::MoveNext()
{
    ensureCurrent();
    ++pos_;
}

void Recordset::Move(std::int32_t rows)
{
    ensureCurrent();
    const std::int64_t to = static_cast<std::int64_t>(pos_) + rows;
    if (to < 0)
        throw EngineError(err::NoCurrentRecord, QStringLiteral("Nu există un rând curent înaintea primului rând."));
    pos_ = std::min<std::size_t>(static_cast<std::size_t>(to), rowCount());
}

std::int32_t Recordset::AbsolutePosition() const
{
    return Eof() ? -1 : static_cast<std::int32_t>(pos_);
}

std::int32_t Recordset::RecordCount()
{
    ensureOpen();
    if (kind_ == Kind::Table && !loaded_) {
        sqlite3_stmt* st = conn_->prepare(QStringLiteral("SELECT count(*) FROM ") + detail::quoteName(table_->name));
        Connection::Bound guard{st};
        const int rc = sqlite3_step(st);
        if (rc != SQLITE_ROW)
            conn_->fail(rc);
        return static_cast<std::int32_t>(std::min<sqlite3_int64>(sqlite3_column_int64(st, 0), INT32_MAX));
    }
    ensureLoaded();
    return static_cast<std::int32_t>(std::min<std::size_t>(rowCount(), INT32_MAX));
}

int Recordset::column(const QString& name) const
{
    // A loop over the rows asks by the same few names again and again.
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (names_[i].size() == name.size() && names_[i] == name)
            return static_cast<int>(i);
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (names_[i].compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    throw EngineError(err::UnknownField, QStringLiteral("Câmpul „%1” nu face parte din acest set de înregistrări.").arg(name));
}

std::vector<QString> Recordset::FieldNames() const
{
    return names_;
}

Field Recordset::Fields(const QString& name) const
{
    ensureOpen();
    const int c = column(name);
    if (pending_ != Pending::None && pendingSet_[static_cast<std::size_t>(c)])
        return {pendingValues_[static_cast<std::size_t>(c)]};
    if (pending_ == Pending::Adding)
        return {Variant()};
    ensureCurrent();
    return {cell(pos_, static_cast<std::size_t>(c))};
}

Recordset::FieldSetter Recordset::Collect(const QString& name)
{
    ensureOpen();
    return FieldSetter(*this, column(name));
}

Recordset::FieldSetter& Recordset::FieldSetter::operator=(const Variant& v)
{
    rs_.ensureOpen();
    if (rs_.pending_ == Pending::None)
        throw EngineError(err::UpdateWithoutEdit, QStringLiteral("Un câmp se poate schimba doar după AddNew sau Edit."));
    if (column_ == rs_.table_->keyColumn)
        throw EngineError(err::FieldNotUpdatable, QStringLiteral("Câmpul „%1” primește valoarea de la baza de date și nu "
                                                                 "poate fi schimbat.").arg(rs_.names_[static_cast<std::size_t>(column_)]));
    rs_.pendingValues_[static_cast<std::size_t>(column_)] = v;
    rs_.pendingSet_[static_cast<std::size_t>(column_)] = true;
    return *this;
}

void Recordset::AddNew()
{
    // Adding needs none of the rows: a link added beside a million others reads none of them.
    ensureOpen();
    if (kind_ == Kind::Query)
        throw EngineError(err::ReadOnly, QStringLiteral("Rezultatul unei interogări nu poate fi modificat."));
    pending_ = Pending::Adding;
    pendingValues_.assign(names_.size(), Variant());
    pendingSet_.assign(names_.size(), false);
}

void Recordset::Edit()
{
    ensureCurrent();
    if (kind_ == Kind::Query)
        throw EngineError(err::ReadOnly, QStringLiteral("Rezultatul unei interogări nu poate fi modificat."));
    pending_ = Pending::Editing;
    pendingValues_.assign(cells_.begin() + static_cast<std::ptrdiff_t>(pos_ * names_.size()),
                          cells_.begin() + static_cast<std::ptrdiff_t>((pos_ + 1) * names_.size()));
    pendingSet_.assign(names_.size(), false);
}

void Recordset::refreshRow(std::int64_t rowid, std::size_t at)
{
    sqlite3_stmt* st = conn_->prepare(tableSelect(*table_, QStringLiteral(" WHERE rowid = ?1")));
    Connection::Bound guard{st};
    conn_->bind(st, 1, Variant(rowid));
    const int rc = sqlite3_step(st);
    if (rc != SQLITE_ROW)
        conn_->fail(rc == SQLITE_DONE ? SQLITE_INTERNAL : rc);
    if (at == rowCount()) {
        for (int c = 1; c < sqlite3_column_count(st); ++c)
            cells_.push_back(conn_->column(st, c));
        rowids_.push_back(rowid);
    } else {
        for (int c = 1; c < sqlite3_column_count(st); ++c)
            cells_[at * names_.size() + static_cast<std::size_t>(c - 1)] = conn_->column(st, c);
    }
}

void Recordset::Update(int, bool)
{
    ensureOpen();
    if (pending_ == Pending::None)
        throw EngineError(err::UpdateWithoutEdit, QStringLiteral("Update sau CancelUpdate fără AddNew sau Edit."));
    const detail::TableInfo& t = *table_;
    QStringList cols;
    std::vector<Variant> values;
    for (std::size_t c = 0; c < names_.size(); ++c) {
        if (!pendingSet_[c])
            continue;
        cols << detail::quoteName(t.columns[c].name);
        values.push_back(pendingValues_[c]);
        if (!t.columns[c].foldColumn.isEmpty()) {
            cols << detail::quoteName(t.columns[c].foldColumn);
            values.push_back(pendingValues_[c].IsNull() ? Variant() : Variant(FoldKey(pendingValues_[c].ToText())));
        }
    }
    if (pending_ == Pending::Adding) {
        QString sql;
        if (cols.isEmpty()) {
            sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(detail::quoteName(t.name));
        } else {
            QStringList marks;
            for (qsizetype i = 1; i <= cols.size(); ++i)
                marks << QStringLiteral("?%1").arg(i);
            sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(detail::quoteName(t.name), cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
        }
        // The insert and the check that its key fits in 32 bits stand or fall together.
        const bool outermost = sqlite3_get_autocommit(conn_->handle()) != 0;
        auto undo = [&] {
            // A commit refused past the busy timeout leaves the transaction open: end it, or it holds the lock.
            sqlite3_exec(conn_->handle(), outermost ? "ROLLBACK" : "ROLLBACK TO tarvix_add; RELEASE tarvix_add",
                         nullptr, nullptr, nullptr);
        };
        conn_->exec("SAVEPOINT tarvix_add");
        std::int64_t rowid = 0;
        try {
            sqlite3_stmt* st = conn_->prepare(sql);
            for (std::size_t i = 0; i < values.size(); ++i)
                conn_->bind(st, static_cast<int>(i + 1), values[i]);
            conn_->run(st);
            rowid = sqlite3_last_insert_rowid(conn_->handle());
            if (t.keyColumn >= 0 && rowid > INT32_MAX)
                throw EngineError(err::Overflow, QStringLiteral("Depășire: tabela „%1” nu mai are chei libere pe 32 de biți; "
                                                                "rândul nu a fost adăugat.").arg(t.name));
            conn_->exec("RELEASE tarvix_add");
        } catch (...) {
            undo();
            throw;
        }
        pending_ = Pending::None;
        if (loaded_)
            refreshRow(rowid, rowCount());
    } else {
        const std::int64_t rowid = rowids_[pos_];
        if (!cols.isEmpty()) {
            QStringList sets;
            for (qsizetype i = 0; i < cols.size(); ++i)
                sets << QStringLiteral("%1 = ?%2").arg(cols[i]).arg(i + 1);
            sqlite3_stmt* st = conn_->prepare(QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?%3")
                                                  .arg(detail::quoteName(t.name), sets.join(QStringLiteral(", ")))
                                                  .arg(cols.size() + 1));
            for (std::size_t i = 0; i < values.size(); ++i)
                conn_->bind(st, static_cast<int>(i + 1), values[i]);
            conn_->bind(st, static_cast<int>(values.size() + 1), Variant(rowid));
            conn_->run(st);
        }
        if (sqlite3_changes(conn_->handle()) == 0 || cols.isEmpty()) {
            sqlite3_stmt* st = conn_->prepare(QStringLiteral("SELECT 1 FROM %1 WHERE rowid = ?1").arg(detail::quoteName(t.name)));
            Connection::Bound guard{st};
            conn_->bind(st, 1, Variant(rowid));
            const int rc = sqlite3_step(st);
            if (rc == SQLITE_DONE)
                throw EngineError(err::RowDeleted, QStringLiteral("Rândul a fost șters între timp de altă copie a programului."));
            conn_->check(rc);
        }
        pending_ = Pending::None;
        refreshRow(rowid, pos_);
    }
}

void Recordset::CancelUpdate(int)
{
    ensureOpen();
    if (pending_ == Pending::None)
        throw EngineError(err::UpdateWithoutEdit, QStringLiteral("Update sau CancelUpdate fără AddNew sau Edit."));
    pending_ = Pending::None;
}

void Recordset::Close()
{
    ensureOpen();
    open_ = false;
    pending_ = Pending::None;
    cells_.clear();
    cells_.shrink_to_fit();
    rowids_.clear();
}

// ---------------------------------------------------------------- database

Database::Database(std::shared_ptr<Connection> conn) : conn_(std::move(conn)) {}

Database::~Database() = default;

bool Database::IsOpen() const
{
    return conn_ && conn_->db;
}

QString Database::FilePath() const
{
    return conn_->path;
}

std::unique_ptr<Recordset> Database::OpenRecordset(const QString& source, int type)
{
    conn_->handle();
    const QString trimmed = source.trimmed();
    if (trimmed.startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive)
        || trimmed.startsWith(QLatin1String("DELETE"), Qt::CaseInsensitive)) {
        const detail::Translated t = conn_->translations.translate(source, conn_->schema);
        if (t.kind != detail::Translated::Kind::Select)
            throw EngineError(err::StatementNotUnderstood, QStringLiteral("Instrucțiunea SQL nu este înțeleasă: un DELETE se "
                                                                          "rulează cu Execute, nu deschide rânduri."));
        std::unique_ptr<Recordset> rs(new Recordset(conn_, Recordset::Kind::Query));
        rs->names_ = t.columns;
        std::vector<Variant> params(t.params.begin(), t.params.end());
        rs->load(t.sql, params);
        return rs;
    }
    const detail::TableInfo* table = conn_->schema.find(trimmed);
    if (!table)
        throw EngineError(err::UnknownTable, QStringLiteral("Tabela „%1” nu există în baza de date.").arg(source));
    const bool tableType = type == 0 || type == dbOpenTable;
    std::unique_ptr<Recordset> rs(new Recordset(conn_, tableType ? Recordset::Kind::Table : Recordset::Kind::Dynaset));
    rs->table_ = table;
    for (const detail::ColumnInfo& c : table->columns)
        rs->names_.push_back(c.name);
    return rs;
}

void Database::Execute(const QString& statement)
{
    conn_->handle();
    const detail::Translated t = conn_->translations.translate(statement, conn_->schema);
    if (t.kind != detail::Translated::Kind::Delete)
        throw EngineError(err::StatementNotUnderstood,
                          QStringLiteral("Instrucțiunea SQL nu este înțeleasă: Execute primește doar DELETE."));
    sqlite3_stmt* st = conn_->prepare(t.sql);
    for (std::size_t i = 0; i < t.params.size(); ++i)
        conn_->bind(st, static_cast<int>(i + 1), Variant(t.params[i]));
    conn_->run(st);
}

void Database::Close()
{
    conn_->handle();
    conn_->cache.clear();
    conn_->db.reset();
}

void Database::ExecuteScript(const QString& sql)
{
    const QByteArray utf8 = sql.toUtf8();
    conn_->check(sqlite3_exec(conn_->handle(), utf8.constData(), nullptr, nullptr, nullptr));
}

void Database::BeginTransaction()
{
    conn_->exec("BEGIN IMMEDIATE");
}

void Database::CommitTransaction()
{
    conn_->exec("COMMIT");
}

void Database::RollbackTransaction() noexcept
{
    if (conn_->db && !sqlite3_get_autocommit(conn_->db.get()))
        sqlite3_exec(conn_->db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Database::ReloadSchema()
{
    conn_->cache.clear();
    conn_->translations.clear();
    conn_->loadSchema();
}

bool Database::HasTable(const QString& table) const
{
    return conn_->schema.find(table) != nullptr;
}

std::vector<QString> Database::TableFields(const QString& table) const
{
    std::vector<QString> out;
    if (const detail::TableInfo* t = conn_->schema.find(table))
        for (const detail::ColumnInfo& c : t->columns) {
            out.push_back(c.name);
            if (!c.foldColumn.isEmpty())
                out.push_back(c.foldColumn);
        }
    return out;
}

Variant Database::QueryValue(const QString& sql)
{
    sqlite3_stmt* st = conn_->prepare(sql);
    Connection::Bound guard{st};
    const int rc = sqlite3_step(st);
    if (rc == SQLITE_DONE)
        return {};
    if (rc != SQLITE_ROW)
        conn_->fail(rc);
    return conn_->column(st, 0);
}

std::vector<std::vector<Variant>> Database::QueryRows(const QString& sql, const std::vector<Variant>& params)
{
    sqlite3_stmt* st = conn_->prepare(sql);
    Connection::Bound guard{st};
    for (std::size_t i = 0; i < params.size(); ++i)
        conn_->bind(st, static_cast<int>(i + 1), params[i]);
    std::vector<std::vector<Variant>> rows;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        std::vector<Variant> row;
        for (int c = 0; c < sqlite3_column_count(st); ++c)
            row.push_back(conn_->column(st, c));
        rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE)
        conn_->fail(rc);
    return rows;
}

// ---------------------------------------------------------------- engine

namespace {

QString describeFolder(const QFileInfo& info)
{
    return QDir::toNativeSeparators(info.absolutePath());
}

std::shared_ptr<Connection> openConnection(const QFileInfo& info, int flags)
{
    auto conn = std::make_shared<Connection>();
    conn->path = info.absoluteFilePath();
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(conn->path).constData(), &raw, flags, nullptr);
    conn->db.reset(raw);
    if (rc != SQLITE_OK)
        conn->fail(rc);
    sqlite3_extended_result_codes(raw, 1);
    sqlite3_busy_timeout(raw, DBEngine::BusyTimeoutMs);
    conn->exec("PRAGMA foreign_keys = ON");
    return conn;
}

}  // namespace

bool IsJetFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray signature = f.read(19).mid(4);
    return signature == "Standard Jet DB" || signature == "Standard ACE DB";
}

std::unique_ptr<Database> DBEngine::OpenDatabase(const QString& name)
{
    const QFileInfo info(QDir::current(), name);
    if (!info.exists() || info.isDir())
        throw EngineError(err::FileNotFound, QStringLiteral("Nu găsesc fișierul „%1” în dosarul „%2”.")
                                                 .arg(info.fileName(), describeFolder(info)));
    if (!info.isReadable())
        throw EngineError(err::CannotOpen, QStringLiteral("Fișierul „%1” din dosarul „%2” nu poate fi citit: "
                                                          "lipsește permisiunea.").arg(info.fileName(), describeFolder(info)));
    // An old dictionary is the likeliest foreign file to meet under this name.
    if (IsJetFile(info.absoluteFilePath()) && !(OnJetFile && OnJetFile(info.absoluteFilePath())))
        throw EngineError(err::NotAStore, QStringLiteral("Fișierul „%1” din dosarul „%2” este o bază de date Access mai "
                                                         "veche, nu una Tarvix. Datele lui se pot aduce cu comanda "
                                                         "„tarvix-db convert %1”, care păstrează originalul alături.")
                                              .arg(info.fileName(), describeFolder(info)));
    // The program writes; finding out only at the first save would lose the user's typing.
    if (!info.isWritable() || ::access(QFile::encodeName(info.absolutePath()).constData(), W_OK) != 0)
        throw EngineError(err::ReadOnly, QStringLiteral("Fișierul „%1” sau dosarul „%2” poate fi doar citit; Tarvix are "
                                                        "nevoie să scrie în ele.").arg(info.fileName(), describeFolder(info)));
    // One thread uses a connection, so SQLite need not lock around every call.
    std::shared_ptr<Connection> conn = openConnection(info, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX);
    try {
        conn->loadSchema();
    } catch (const EngineError& e) {
        if (e.Number() == err::NotAStore)
            throw EngineError(err::NotAStore, QStringLiteral("Fișierul „%1” din dosarul „%2” nu este o bază de date "
                                                             "Tarvix.").arg(info.fileName(), describeFolder(info)));
        throw;
    }
    if (sqlite3_db_readonly(conn->db.get(), "main") == 1)
        throw EngineError(err::ReadOnly, QStringLiteral("Fișierul „%1” poate fi doar citit; Tarvix are nevoie să scrie "
                                                        "în el.").arg(info.fileName()));
    return std::unique_ptr<Database>(new Database(std::move(conn)));
}

std::unique_ptr<Database> DBEngine::CreateDatabase(const QString& name)
{
    const QFileInfo info(QDir::current(), name);
    if (info.exists())
        throw EngineError(err::AlreadyExists, QStringLiteral("Fișierul „%1” există deja în dosarul „%2”.")
                                                  .arg(info.fileName(), describeFolder(info)));
    std::shared_ptr<Connection> conn = openConnection(info, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX);
    conn->exec("PRAGMA journal_mode = DELETE");
    conn->loadSchema();
    return std::unique_ptr<Database>(new Database(std::move(conn)));
}

}  // namespace tarvix
