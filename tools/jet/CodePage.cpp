#include "tools/jet/CodePage.h"

#include "tools/base/StoreTool.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace tarvix::tool {

struct CodePageDecoder::State {
    iconv_t cd = reinterpret_cast<iconv_t>(-1);
};

CodePageDecoder::CodePageDecoder(int codePage) : codePage_(codePage), state_(std::make_unique<State>())
{
    const QByteArray name = "CP" + QByteArray::number(codePage);
    state_->cd = iconv_open("UTF-8", name.constData());
    if (state_->cd == reinterpret_cast<iconv_t>(-1))
        throw Failure{exitcode::BadArguments,
                      QStringLiteral("pagina de cod %1 nu este cunoscută pe acest sistem.").arg(codePage)};
}

CodePageDecoder::~CodePageDecoder()
{
    if (state_->cd != reinterpret_cast<iconv_t>(-1))
        iconv_close(state_->cd);
}

QString CodePageDecoder::Decode(const QByteArray& bytes) const
{
    iconv(state_->cd, nullptr, nullptr, nullptr, nullptr);
    std::vector<char> out(static_cast<std::size_t>(bytes.size()) * 4 + 16);
    char* in = const_cast<char*>(bytes.constData());
    std::size_t inLeft = static_cast<std::size_t>(bytes.size());
    char* to = out.data();
    std::size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(state_->cd, &in, &inLeft, &to, &outLeft) != static_cast<std::size_t>(-1))
            break;
        if (errno != EILSEQ && errno != EINVAL)
            break;
        // An undefined byte: the replacement character, then go on with the next byte.
        static const char replacement[] = "\xEF\xBF\xBD";
        for (char c : {replacement[0], replacement[1], replacement[2]})
            *to++ = c;
        outLeft -= 3;
        ++in;
        --inLeft;
        iconv(state_->cd, nullptr, nullptr, nullptr, nullptr);
    }
    return QString::fromUtf8(out.data(), static_cast<qsizetype>(to - out.data()));
}

bool LooksLikeRomanian1250(const QByteArray& bytes)
{
    for (const char c : bytes)
        switch (static_cast<unsigned char>(c)) {
        case 0xE3:
        case 0xC3:
        case 0xAA:
        case 0xBA:
        case 0xFE:
        case 0xDE: return true;
        default: break;
        }
    return false;
}

}  // namespace tarvix::tool
