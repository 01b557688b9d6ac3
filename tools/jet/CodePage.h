// Texts of a Jet 3 file are bytes in a Windows code page.
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

namespace tarvix::tool {

class CodePageDecoder {
public:
    // Throws Failure (BadArguments) for a code page this system cannot decode.
    explicit CodePageDecoder(int codePage);
    ~CodePageDecoder();
    CodePageDecoder(const CodePageDecoder&) = delete;
    CodePageDecoder& operator=(const CodePageDecoder&) = delete;

    // A byte the code page does not define becomes U+FFFD.
    QString Decode(const QByteArray& bytes) const;
    int codePage() const { return codePage_; }

private:
    struct State;
    int codePage_;
    std::unique_ptr<State> state_;
};

// True when Romanian written in code page 1250 shows through a 1252 reading:
// ã Ã ª º þ Þ are ă Ă Ş ş ţ Ţ there.
bool LooksLikeRomanian1250(const QByteArray& bytes);

}  // namespace tarvix::tool
