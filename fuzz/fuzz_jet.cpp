// What stands between a Jet file and the importer: the first page's checks,
// the parser of the reader child's output fed in pieces of any size, and the
// line that tells the reader which tables to read.
// None may crash or read out of bounds, whatever the bytes, and an escaped
// field always parses back to itself.
#include "tools/jet/JetFile.h"
#include "tools/jet/JetProtocol.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace tarvix::tool;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const char* bytes = reinterpret_cast<const char*>(data);
    // The first byte picks the part: a header, or the reader's output.
    if (data[0] & 1) {
        const QByteArray head(bytes + 1, static_cast<qsizetype>(size - 1));
        // The size a file would have: what is here, or a whole number of pages past it.
        const qint64 claimed = (data[0] & 2) ? head.size() : qint64(head.size()) * 4096 / 3;
        const JetHeader h = InspectJet(head, claimed);
        if (h.ok() && (h.pageSize != 2048 && h.pageSize != 4096))
            std::abort();
        return 0;
    }
    // The same bytes as a request line: whatever names it gives, they go back and forth unchanged.
    try {
        const std::vector<QByteArray> names = ParseJetRequestLine(bytes + 2, size - 2);
        QStringList asked;
        for (const QByteArray& n : names)
            asked << QString::fromUtf8(n);
        const QByteArray line = JetRequestLine(asked);
        const std::vector<QByteArray> again = ParseJetRequestLine(line.constData(), std::size_t(line.size() - 1));
        for (std::size_t i = 0; i < again.size(); ++i)
            if (i >= names.size() || QString::fromUtf8(again[i]) != asked[qsizetype(i)])
                std::abort();
        if (again.size() != names.size())
            std::abort();
    } catch (const JetProtocolError&) {
    }
    JetOutputParser parser;
    long long rows = 0;
    parser.onRow = [&](const std::vector<JetField>& fields) {
        rows += static_cast<long long>(fields.size());
        for (const JetField& f : fields) {
            // A field parses back from its escaped form to the same bytes.
            const QByteArray again = EscapeJetField(f.text.data(), static_cast<std::size_t>(f.text.size()));
            JetOutputParser check;
            bool same = false;
            check.onTable = [](const JetTableInfo&) {};
            check.onRow = [&](const std::vector<JetField>& g) {
                same = g.size() == 1 && !g[0].null && g[0].text == f.text;
            };
            const QByteArray doc = "T\tt\t1\t1\nC\tc\t10\nR\t" + again + "\nE\t1\t1\nZ\n";
            check.feed(doc.constData(), static_cast<std::size_t>(doc.size()));
            if (!f.null && (!same || !check.finish().isEmpty()))
                std::abort();
        }
    };
    const std::size_t step = 1 + data[1] % 64;
    try {
        for (std::size_t at = 2; at < size; at += step)
            parser.feed(bytes + at, std::min(step, size - at));
        parser.finish();
    } catch (const JetProtocolError&) {
    }
    return 0;
}
