// Chapter text extraction over any bytes: the first byte picks the format (plain
// text, Markdown, HTML, ODT, DOCX, or the PDF reader's answer as the parent reads
// it; Poppler itself runs only in the guarded child). It may not crash, hang or
// read out of bounds; a book has at least two parts; what the reader's child
// would send reads back the same.
#include "tools/formats/ChapterText.h"

#include <cstdint>
#include <cstdlib>

using namespace tarvix::tool;

namespace {

void same(const ChapterFile& a, const ChapterFile& b)
{
    if (a.book != b.book || a.parts.size() != b.parts.size())
        std::abort();
    for (std::size_t i = 0; i < a.parts.size(); ++i)
        if (a.parts[i].heading != b.parts[i].heading || a.parts[i].firstLine != b.parts[i].firstLine
            || a.parts[i].text != b.parts[i].text)
            std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, static_cast<qsizetype>(size - 1));
    static const TextFormat formats[] = {TextFormat::Plain, TextFormat::Markdown, TextFormat::Html, TextFormat::Odt,
                                         TextFormat::Docx};
    const unsigned pick = data[0] % 6;
    try {
        if (pick == 5) {
            const ChapterFile answer = DecodeChapterFile(bytes);
            same(answer, DecodeChapterFile(EncodeChapterFile(answer)));
            return 0;
        }
        const ChapterFile file = ReadChapterBytes(formats[pick], bytes);
        if (file.parts.empty() || (file.book && file.parts.size() < 2))
            std::abort();
        same(file, DecodeChapterFile(EncodeChapterFile(file)));
    } catch (const TextRefused& r) {
        if (r.reason.isEmpty())
            std::abort();
    }
    return 0;
}
