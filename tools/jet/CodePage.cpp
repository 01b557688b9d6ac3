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

namespace {

bool isLetter(int b)
{
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b >= 0xC0;
}
bool isDigit(int b)
{
    return b >= '0' && b <= '9';
}

// Letters in both code pages, Western in 1252 and no part of Romanian in 1250.
bool westernLetter(int b)
{
    switch (b) {
    case 0x8C:
    case 0x9C:
    case 0x9F:
    case 0xC0:
    case 0xC5:
    case 0xC6:
    case 0xC8:
    case 0xCA:
    case 0xCC:
    case 0xCF:
    case 0xD0:
    case 0xD1:
    case 0xD2:
    case 0xD5:
    case 0xD8:
    case 0xD9:
    case 0xDB:
    case 0xE0:
    case 0xE5:
    case 0xE6:
    case 0xE8:
    case 0xEA:
    case 0xEC:
    case 0xEF:
    case 0xF0:
    case 0xF1:
    case 0xF2:
    case 0xF5:
    case 0xF8:
    case 0xF9:
    case 0xFB: return true;
    default: return false;
    }
}

}  // namespace

void CodePageEvidence::Weigh(const QByteArray& bytes)
{
    int ro = 0, we = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const int b = static_cast<unsigned char>(bytes[i]);
        const int before = i > 0 ? static_cast<unsigned char>(bytes[i - 1]) : 0;
        const int after = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        if (westernLetter(b)) {
            ++we;
        } else if (b == 0xAA || b == 0xBA) {
            // "Nº 5", "1ª": an ordinal; "şi", "aşa": a letter among letters.
            if (isDigit(before) || isDigit(after) || ((before == 'N' || before == 'n') && !isLetter(after)))
                ++we;
            else if (isLetter(after) || isLetter(before))
                ++ro;
        } else if (b == 0xE3 || b == 0xC3) {
            // "ão", "ãe" are Portuguese; Romanian ă stands before almost anything else.
            const int next = after | 0x20;
            if (next != 'o' && next != 'e')
                ++ro;
        } else if (b == 0xFE || b == 0xDE) {
            ++ro;
        }
    }
    if (ro > we)
        ++romanian;
    else if (we > ro)
        ++western;
}

}  // namespace tarvix::tool
