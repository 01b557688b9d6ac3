// The CSV reader over any bytes: it may not crash or read out of bounds, its
// line numbers only grow, and every record it reads, written out again, reads
// back as the same fields.
#include "tools/formats/Csv.h"

#include <cstdint>
#include <cstdlib>

using namespace tarvix::tool;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const CsvTable table = ReadCsv(bytes);
    int last = 0;
    for (const CsvRow& row : table.rows) {
        if (row.line <= last || row.fields.isEmpty())
            std::abort();
        last = row.line;
        // A leading byte order mark is taken as the file's, not the field's.
        if (row.fields.front().startsWith(QChar(0xFEFF)))
            continue;
        const CsvTable again = ReadCsv(CsvLine(row.fields));
        if (!again.issues.empty() || again.rows.size() != 1 || again.rows.front().fields != row.fields)
            std::abort();
    }
    for (const CsvIssue& issue : table.issues)
        if (issue.line < 1 || issue.text.isEmpty())
            std::abort();
    return 0;
}
