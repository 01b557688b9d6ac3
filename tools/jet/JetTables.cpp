#include "tools/jet/JetTables.h"

#include "tools/base/StoreTool.h"
#include "tools/jet/CodePage.h"

#include "store/Schema.h"

namespace tarvix::tool {

namespace {

// Jet 3 names are bytes in the file's code page, which the reader hands over as Latin-1.
std::vector<JetTableInfo> namesDecoded(std::vector<JetTableInfo> tables, int codePage)
{
    const CodePageDecoder decoder(codePage);
    const auto decode = [&](QString& name) { name = decoder.Decode(name.toLatin1()); };
    for (JetTableInfo& t : tables) {
        decode(t.name);
        for (JetColumnInfo& c : t.columns)
            decode(c.name);
    }
    return tables;
}

// A dictionary kept under other names is read by naming them.
QString mappingHint(const QString& file)
{
    return QStringLiteral(" Dacă dicționarul are tabelele sau câmpurile sub alte nume, numiți-le: tarvix-db import-mdb "
                          "--words TABELĂ:CHEIE:TEXT --chapters TABELĂ:CHEIE:TEXT --links TABELĂ:CUVÂNT:CAPITOL "
                          "„%1” FIȘIER-NOU.")
        .arg(file);
}

QString tableList(const std::vector<JetTableInfo>& tables)
{
    QStringList names;
    for (const JetTableInfo& t : tables)
        names << t.name;
    return names.isEmpty() ? QStringLiteral("niciuna") : names.join(QStringLiteral(", "));
}

// The file's own spelling of a mapping, its columns' types, and its declared rows.
// tables: names as the user reads them; raw: as the reader spells them, for the request.
MappedTable resolve(const QString& file, const std::vector<JetTableInfo>& tables, const std::vector<JetTableInfo>& raw,
                    const std::vector<std::pair<QString, QString>>& linked, const JetMapping& m, const char* what)
{
    for (const auto& [name, backEnd] : linked)
        if (name.compare(m.table, Qt::CaseInsensitive) == 0)
            throw Failure{exitcode::FileProblem,
                          QStringLiteral("În fișierul „%1”, tabela „%2” (pentru %3) este doar o legătură către "
                                         "fișierul „%4”: baza de date este împărțită, iar datele sunt acolo. "
                                         "Aduceți fișierul „%4”, nu pe acesta.")
                              .arg(file, name, QString::fromUtf8(what), backEnd)};
    const JetTableInfo* table = nullptr;
    std::size_t at = 0;
    for (std::size_t i = 0; i < tables.size(); ++i)
        if (tables[i].name.compare(m.table, Qt::CaseInsensitive) == 0) {
            table = &tables[i];
            at = i;
        }
    if (!table)
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("Fișierul „%1” nu are tabela „%2” (pentru %3). Tabelele lui sunt: %4.")
                              .arg(file, m.table, QString::fromUtf8(what), tableList(tables))
                          + mappingHint(file)};
    MappedTable r;
    r.request.table = raw[at].name;
    r.shown = table->name;
    for (const QString& wanted : {m.first, m.second}) {
        const JetColumnInfo* column = nullptr;
        std::size_t c = 0;
        for (std::size_t k = 0; k < table->columns.size(); ++k)
            if (table->columns[k].name.compare(wanted, Qt::CaseInsensitive) == 0) {
                column = &table->columns[k];
                c = k;
            }
        if (!column) {
            QStringList have;
            for (const JetColumnInfo& c : table->columns)
                have << c.name;
            throw Failure{exitcode::FileProblem,
                          QStringLiteral("Tabela „%1” din fișierul „%2” nu are câmpul „%3”. Câmpurile ei "
                                         "sunt: %4. Tabelele fișierului sunt: %5.")
                                  .arg(table->name, file, wanted, have.join(QStringLiteral(", ")), tableList(tables))
                              + mappingHint(file)};
        }
        r.request.columns << raw[at].columns[c].name;
        r.shownColumns << column->name;
        r.types.push_back(column->type);
    }
    r.declaredRows = table->declaredRows;
    return r;
}

QString typeName(int type)
{
    static const char* const names[] = {"?",
                                        "Yes/No",
                                        "Byte",
                                        "Integer",
                                        "Long Integer",
                                        "Currency",
                                        "Single",
                                        "Double",
                                        "Date/Time",
                                        "Binary",
                                        "Text",
                                        "OLE",
                                        "Memo",
                                        "?",
                                        "?",
                                        "Replication ID",
                                        "Decimal",
                                        "?",
                                        "Attachment/complex"};
    return type >= 0 && type < int(std::size(names)) ? QString::fromLatin1(names[type])
                                                     : QStringLiteral("necunoscut (%1)").arg(type);
}

bool isNumber(int type)
{
    return type == jettype::Byte || type == jettype::Int || type == jettype::Long;
}
bool isText(int type)
{
    return type == jettype::Text || type == jettype::Memo;
}

// Keys of a type the import reads as 32-bit integers, texts of a text type, and no more rows than a list holds.
void checkTable(const MappedTable& r, bool linksTable, const QString& file)
{
    for (int k = 0; k < 2; ++k) {
        const bool key = k == 0 || linksTable;
        if (key ? isNumber(r.types[k]) : isText(r.types[k]))
            continue;
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("În tabela „%1” din fișierul „%2”, câmpul „%3” este de tip %4; %5.")
                          .arg(r.shown, file, r.shownColumns[k], typeName(r.types[k]),
                               key ? QStringLiteral("o cheie trebuie să fie un număr întreg: Byte, Integer sau "
                                                    "Long Integer (și AutoNumber)")
                                   : QStringLiteral("textul trebuie să fie de tip Text sau Memo"))};
    }
    if (!linksTable && r.declaredRows > store::kMaxRows)
        throw Failure{exitcode::Refused,
                      QStringLiteral("Tabela „%1” din fișierul „%2” are %3; ferestrele programului pot "
                                     "lista cel mult %4. Împărțiți dicționarul înainte de a-l aduce.")
                          .arg(r.shown, file, Counted(r.declaredRows, "rând", "rânduri"))
                          .arg(store::kMaxRows)};
}

}  // namespace

std::vector<MappedTable> FindJetTables(JetReader& reader, const JetImportOptions& options, const QString& file)
{
    const JetHeader& header = reader.header();
    const std::vector<JetTableInfo>& raw = reader.Tables();
    const int namesPage = options.codePage ? options.codePage : header.codePage ? header.codePage : 1252;
    const std::vector<JetTableInfo> tables = header.version == 0 ? namesDecoded(raw, namesPage) : raw;
    const auto& linked = reader.LinkedTables();
    std::vector<MappedTable> found{resolve(file, tables, raw, linked, options.words, "cuvinte"),
                                   resolve(file, tables, raw, linked, options.chapters, "capitole"),
                                   resolve(file, tables, raw, linked, options.links, "legături")};
    for (std::size_t i = 0; i < found.size(); ++i)
        checkTable(found[i], i == 2, file);
    return found;
}

}  // namespace tarvix::tool
