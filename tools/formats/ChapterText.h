// The text of a user's chapter files: plain text, Markdown, HTML, ODT, DOCX and
// PDF, each as one chapter or, for a whole book, as the parts its outline names.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace tarvix::tool {

enum class TextFormat { Plain, Markdown, Html, Odt, Docx, Pdf };

// By the file name's extension, letter case ignored; nothing for a file of another kind.
std::optional<TextFormat> TextFormatOf(const QString& fileName);

// Why a file's text cannot be read, in Romanian, without the file's name.
struct TextRefused {
    QString reason;
};

// A paragraph as a document holds it: level 0 for body text, 1 to 9 for a heading.
struct Paragraph {
    int level = 0;
    QString text;
};

struct ChapterPart {
    QString heading;    // the part's first heading, if it has one
    QString firstLine;  // its first line of text
    QString text;
};

struct ChapterFile {
    bool book = false;  // split by its outline into several chapters
    std::vector<ChapterPart> parts;
};

// A chapter file larger than this is no chapter (a book's PDF with its pictures may be larger).
inline constexpr qint64 kMaxChapterBytes = 64LL * 1024 * 1024;
inline constexpr qint64 kMaxPdfBytes = 256LL * 1024 * 1024;
// What a document may unpack to, so a small archive cannot fill the memory.
inline constexpr qint64 kMaxUnpackedBytes = 128LL * 1024 * 1024;

// The chapters of a file's bytes; throws TextRefused. PDF goes through Poppler here:
// callers outside the text reader's child process run it there instead.
ChapterFile ReadChapterBytes(TextFormat format, const QByteArray& bytes);

// One chapter, or a book when mayBeBook and at least two level-1 headings split it.
ChapterFile ChaptersOf(const std::vector<Paragraph>& paragraphs, bool mayBeBook);

// The first line with something on it, without blanks at its ends.
QString FirstLineOf(const QString& text);

// How the text reader's child hands its result over a pipe, and back.
QByteArray EncodeChapterFile(const ChapterFile& file);
QByteArray EncodeRefusal(const QString& reason);
// Throws TextRefused with the child's reason, or for bytes that are no answer at all.
ChapterFile DecodeChapterFile(const QByteArray& bytes);

}  // namespace tarvix::tool
