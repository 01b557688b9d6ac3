#include "tools/formats/TextReaderChild.h"

#include "tools/formats/ChapterText.h"
#include "tools/formats/PdfText.h"

#include <QFile>

#include <cstdio>
#include <new>
#include <sys/resource.h>

namespace tarvix::tool {

namespace {

void put(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

}  // namespace

int RunTextReaderChild(int argc, char** argv)
{
    if (argc != 1)
        return 2;
    // A file made to exhaust the memory stops this process, not the machine. AddressSanitizer
    // reserves terabytes of address space for its shadow, so a sanitized build goes without.
#if !defined(__SANITIZE_ADDRESS__)
    const rlim_t limit = 4ULL * 1024 * 1024 * 1024;
    const rlimit memory{limit, limit};
    setrlimit(RLIMIT_AS, &memory);
#endif
    try {
        QFile file(QFile::decodeName(argv[0]));
        if (!file.open(QIODevice::ReadOnly))
            throw TextRefused{QStringLiteral("nu poate fi citit: %1").arg(file.errorString())};
        if (file.size() > kMaxPdfBytes)
            throw TextRefused{QStringLiteral("are mai mult de %1 MiB").arg(kMaxPdfBytes / (1024 * 1024))};
        const ChapterFile chapters = PdfChapters(file.readAll(), [] { put(QByteArray(1, kTextProgress)); });
        put(QByteArray(1, kTextAnswer) + EncodeChapterFile(chapters));
    } catch (const TextRefused& r) {
        put(QByteArray(1, kTextAnswer) + EncodeRefusal(r.reason));
    } catch (const std::bad_alloc&) {
        put(QByteArray(1, kTextAnswer) + EncodeRefusal(QStringLiteral("cere prea multă memorie ca să fie citit")));
    }
    return 0;
}

}  // namespace tarvix::tool
