#include "tools/commands/ChapterReader.h"

#include "tools/formats/TextReaderChild.h"
#include "tools/jet/GuardedChild.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace tarvix::tool {

namespace {

constexpr qsizetype kStderrKept = 4096;

ChapterFile readPdf(const QString& path)
{
    // Tests put a misbehaving reader in its place to see each failure handled.
    GuardedChild child(qEnvironmentVariable("TARVIX_TEXT_READER", QCoreApplication::applicationFilePath()),
                       {QString::fromLatin1(kTextReaderMode), path});
    if (const QString why = child.startFailure(); !why.isEmpty())
        throw TextRefused{QStringLiteral("cititorul de PDF nu a pornit: %1").arg(why)};
    QByteArray answer, err;
    bool answering = false;
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    const qint64 stall = kTextReaderStallSeconds * 1000LL;
    const auto onOut = [&](const char* data, std::size_t size) {
        sinceProgress.restart();
        std::size_t i = 0;
        while (!answering && i < size) {
            answering = data[i] == kTextAnswer;
            if (!answering && data[i] != kTextProgress)
                throw TextRefused{QStringLiteral("cititorul de PDF a dat un răspuns de neînțeles")};
            ++i;
        }
        if (answer.size() + qsizetype(size - i) > 2 * kMaxUnpackedBytes)
            throw TextRefused{QStringLiteral("are mai mult text decât are vreun manual")};
        answer.append(data + i, static_cast<qsizetype>(size - i));
    };
    while (child.read(static_cast<int>(std::clamp<qint64>(stall - sinceProgress.elapsed(), 1, 1000)), onOut, err,
                      kStderrKept)) {
        if (sinceProgress.elapsed() > stall)
            throw TextRefused{QStringLiteral("cititorul de PDF nu a mai citit nicio pagină timp de %1 s și a fost "
                                             "oprit (fișier deteriorat?)")
                                  .arg(kTextReaderStallSeconds)};
    }
    const int status = child.wait();
    if (status < 0 || !answering)
        throw TextRefused{QStringLiteral("cititorul de PDF s-a oprit brusc citindu-l (fișier deteriorat?)%1")
                              .arg(err.isEmpty() ? QString() : QStringLiteral(": „%1”").arg(FirstErrorLine(err)))};
    return DecodeChapterFile(answer);
}

}  // namespace

ChapterFile ReadChapterFile(const QString& path)
{
    const QFileInfo info(path);
    const auto format = TextFormatOf(path);
    if (!format)
        throw TextRefused{QStringLiteral("nu are un format cunoscut (txt, md, html, odt, docx sau pdf)")};
    if (!info.exists())
        throw TextRefused{QStringLiteral("nu există")};
    // A pipe would wait forever and a device read without end.
    if (!info.isFile())
        throw TextRefused{QStringLiteral("nu este un fișier obișnuit")};
    const qint64 max = *format == TextFormat::Pdf ? kMaxPdfBytes : kMaxChapterBytes;
    if (info.size() > max)
        throw TextRefused{QStringLiteral("are %1 MiB, mai mult decât are vreun capitol (cel mult %2 MiB)")
                              .arg(info.size() / (1024 * 1024))
                              .arg(max / (1024 * 1024))};
    if (*format == TextFormat::Pdf)
        return readPdf(info.absoluteFilePath());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TextRefused{QStringLiteral("nu poate fi citit: %1").arg(file.errorString())};
    return ReadChapterBytes(*format, file.read(max + 1));
}

}  // namespace tarvix::tool
