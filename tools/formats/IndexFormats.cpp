#include "tools/formats/IndexFormats.h"

namespace tarvix::tool {

std::unique_ptr<IndexWriter> MakeTextIndex();
std::unique_ptr<IndexWriter> MakeHtmlIndex();
std::unique_ptr<IndexWriter> MakeTexIndex();

const std::vector<IndexFormat>& IndexFormats()
{
    static const std::vector<IndexFormat> formats{
        {QStringLiteral("text"), QStringLiteral("text simplu UTF-8 (implicit)"), &MakeTextIndex},
        {QStringLiteral("html"), QStringLiteral("o pagină de sine stătătoare, gata de tipărit pe două coloane"),
         &MakeHtmlIndex},
        {QStringLiteral("tex"), QStringLiteral("un mediu theindex pentru un document LaTeX cu babel românesc"),
         &MakeTexIndex},
    };
    return formats;
}

const IndexFormat* IndexFormatNamed(const QString& name)
{
    for (const IndexFormat& f : IndexFormats())
        if (f.name == name)
            return &f;
    return nullptr;
}

}  // namespace tarvix::tool
