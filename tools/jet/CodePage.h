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

// Which of code pages 1250 and 1252 a Jet 3 file's texts read naturally in, counted text by text: a
// text votes 1250 when it holds ă ş ţ as Romanian writes them in 1250 (ã º þ through 1252), 1252 when
// it holds letters that 1250 would make Central European (Ñ → Ń, Ø → Ř, È → Č) or an ordinal º ª
// beside a number. A text with neither, or as many of each, does not vote.
struct CodePageEvidence {
    long long romanian = 0;  // texts that read as Romanian in 1250
    long long western = 0;   // texts that read as Western European in 1252
    void Weigh(const QByteArray& bytes);
};

}  // namespace tarvix::tool
