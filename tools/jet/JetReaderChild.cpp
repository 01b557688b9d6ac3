#include "tools/jet/JetReaderChild.h"

#include "tools/jet/JetProtocol.h"
#include "tools/jet/JetRows.h"

// mdbtools.h declares templates through glib, which must come first in C++.
#include <glib.h>
#include <mdbtools.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace tarvix::tool {

namespace {

void put(const char* text, std::size_t size)
{
    std::fwrite(text, 1, size, stdout);
}
void put(const QByteArray& b)
{
    put(b.constData(), static_cast<std::size_t>(b.size()));
}
void put(const char* text)
{
    put(text, std::strlen(text));
}

int fail(const char* message)
{
    put("X\t");
    put(EscapeJetField(message, std::strlen(message)));
    put("\nZ\n");
    std::fflush(stdout);
    return 1;
}

void tableRecord(MdbTableDef* table, const std::vector<MdbColumn*>& columns)
{
    put("T\t");
    put(EscapeJetField(table->name, std::strlen(table->name)));
    put(QByteArray("\t") + QByteArray::number(table->num_rows) + '\t' + QByteArray::number(qsizetype(columns.size()))
        + '\n');
    for (MdbColumn* c : columns) {
        put("C\t");
        put(EscapeJetField(c->name, std::strlen(c->name)));
        put(QByteArray("\t") + QByteArray::number(c->col_type) + '\n');
    }
}

std::vector<MdbColumn*> allColumns(MdbTableDef* table)
{
    std::vector<MdbColumn*> out;
    for (unsigned i = 0; i < table->num_cols; ++i)
        out.push_back(static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i)));
    return out;
}

// The tables of a split database that live in another file: their names and that file.
void linkedTables(MdbHandle* mdb)
{
    MdbCatalogEntry entry{};
    entry.mdb = mdb;
    entry.object_type = MDB_TABLE;
    entry.table_pg = 2;  // the catalog's own definition is always on page 2
    std::strcpy(entry.object_name, "MSysObjects");
    MdbTableDef* table = mdb_read_table(&entry);
    if (!table)
        return;
    if (!mdb_read_columns(table)) {
        mdb_free_tabledef(table);
        return;
    }
    const std::vector<MdbColumn*> all = allColumns(table);
    std::size_t name = all.size(), type = all.size(), database = all.size();
    for (std::size_t i = 0; i < all.size(); ++i) {
        const std::string n = all[i]->name;
        if (n == "Name")
            name = i;
        else if (n == "Type")
            type = i;
        else if (n == "Database")
            database = i;
    }
    if (name < all.size() && type < all.size() && database < all.size()) {
        JetRows rows(table);
        std::vector<MdbField> fields;
        try {
            // Type 6: a table linked to another Access file.
            while (rows.Next(fields))
                if (rows.Value(*all[type], fields[type]) == "6")
                    put("K\t" + rows.Value(*all[name], fields[name]) + '\t'
                        + rows.Value(*all[database], fields[database]) + '\n');
        } catch (const JetRowsDamaged&) {
            // The tables themselves are what matters; a catalog that cannot be read further names no more links.
        }
    }
    mdb_free_tabledef(table);
}

// Every user table with its columns, the tables linked to other files, then W.
int list(MdbHandle* mdb)
{
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE || !mdb_is_user_table(entry))
            continue;
        MdbTableDef* table = mdb_read_table(entry);
        if (!table)
            return fail("a table definition cannot be read");
        if (!mdb_read_columns(table)) {
            mdb_free_tabledef(table);
            return fail("a table's columns cannot be read");
        }
        tableRecord(table, allColumns(table));
        put("E\t0\t0\n");
        mdb_free_tabledef(table);
    }
    linkedTables(mdb);
    put("W\n");
    std::fflush(stdout);
    return 0;
}

int dumpTable(MdbHandle* mdb, const std::string& name, const std::vector<std::string>& wanted)
{
    std::vector<char> tableName(name.begin(), name.end());
    tableName.push_back('\0');
    MdbTableDef* table = mdb_read_table_by_name(mdb, tableName.data(), MDB_TABLE);
    if (!table)
        return fail("a table cannot be found or read");
    if (!mdb_read_columns(table)) {
        mdb_free_tabledef(table);
        return fail("a table's columns cannot be read");
    }
    const std::vector<MdbColumn*> all = allColumns(table);
    std::vector<MdbColumn*> columns;
    std::vector<std::size_t> index;  // each column's place among the table's, as the cracked fields are
    for (const std::string& w : wanted) {
        std::size_t found = 0;
        while (found < all.size() && w != all[found]->name)
            ++found;
        if (found == all.size()) {
            mdb_free_tabledef(table);
            return fail("a column cannot be found");
        }
        columns.push_back(all[found]);
        index.push_back(found);
    }
    tableRecord(table, columns);
    JetRows rows(table);
    std::vector<MdbField> fields;
    long long read = 0;
    QByteArray line;
    try {
        while (rows.Next(fields)) {
            line = "R";
            for (std::size_t i = 0; i < columns.size(); ++i) {
                line.append('\t');
                line.append(rows.Value(*columns[i], fields[index[i]]));
            }
            line.append('\n');
            put(line);
            ++read;
        }
    } catch (const JetRowsDamaged& e) {
        mdb_free_tabledef(table);
        return fail(e.what());
    }
    put(QByteArray("E\t") + QByteArray::number(read) + '\t' + QByteArray::number(table->num_rows) + '\n');
    mdb_free_tabledef(table);
    return 0;
}

// The tables asked for on standard input, one a line, until an empty line.
int dump(MdbHandle* mdb)
{
    std::string line;
    for (int c; (c = std::getchar()) != EOF;) {
        if (c != '\n') {
            line.push_back(static_cast<char>(c));
            continue;
        }
        if (line.empty())
            break;
        std::vector<QByteArray> names;
        try {
            names = ParseJetRequestLine(line.data(), line.size());
        } catch (const JetProtocolError&) {
            return fail("a request that cannot be read");
        }
        line.clear();
        std::vector<std::string> columns;
        for (std::size_t i = 1; i < names.size(); ++i)
            columns.emplace_back(names[i].constData(), static_cast<std::size_t>(names[i].size()));
        if (const int rc = dumpTable(mdb, names[0].toStdString(), columns); rc != 0)
            return rc;
    }
    put("Z\n");
    return 0;
}

}  // namespace

int RunJetReaderChild(int argc, char** argv)
{
    static char buffer[1 << 20];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    if (argc != 2 || std::strcmp(argv[0], "read") != 0)
        return fail("usage: read FILE");
    MdbHandle* mdb = mdb_open(argv[1], MDB_NOFLAGS);
    if (!mdb)
        return fail("the file cannot be opened as an Access database");
    mdb_set_bind_size(mdb, MDB_BIND_SIZE);
    int rc = mdb_read_catalog(mdb, MDB_TABLE) ? list(mdb) : fail("the catalog cannot be read");
    if (rc == 0)
        rc = dump(mdb);
    std::fflush(stdout);
    mdb_close(mdb);
    return rc;
}

}  // namespace tarvix::tool
