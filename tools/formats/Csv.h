// Comma-separated files as spreadsheets and people write them (RFC 4180):
// UTF-8, a field with a comma, a quote or a line break between double quotes,
// a quote inside such a field doubled.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QStringList>

#include <vector>

namespace tarvix::tool {

// A dictionary as three files in one folder: the names export writes and import reads.
inline constexpr const char* kWordsCsv = "cuvinte.csv";
inline constexpr const char* kChaptersCsv = "capitole.csv";
inline constexpr const char* kLinksCsv = "legaturi.csv";

inline QString fileIn(const QString& dir, const char* name)
{
    return QDir(dir).filePath(QLatin1String(name));
}

// One record with its terminating CR LF.
QByteArray CsvLine(const QStringList& fields);

struct CsvRow {
    int line = 0;  // where the record starts, counting from 1
    QStringList fields;
    bool blank = false;  // a line with nothing on it, not even quotes
};

struct CsvIssue {
    int line = 0;
    QString text;
};

struct CsvTable {
    std::vector<CsvRow> rows;      // the header row included
    std::vector<CsvIssue> issues;  // records that could not be read, in order
};

// Reads every record it can. A leading byte order mark is skipped; LF, CR LF and
// CR all end a record; bytes that are not UTF-8 stop the reading at their line.
CsvTable ReadCsv(const QByteArray& bytes);

}  // namespace tarvix::tool
