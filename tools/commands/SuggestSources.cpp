#include "tools/commands/SuggestSources.h"

#include "tools/base/StoreTool.h"
#include "tools/commands/ChapterReader.h"
#include "tools/commands/TitleMatcher.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <cstdio>
#include <map>
#include <unistd.h>

namespace tarvix::tool {

namespace {

struct SourceFile {
    QString path;
    int title = -1;  // given with --chapter, else -1
};

// Files of a folder that look like chapters, in a stable order; hidden ones and pictures left alone.
QStringList chapterFilesIn(const QString& dir)
{
    QStringList files;
    QDirIterator it(dir, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString f = it.next();
        if (TextFormatOf(f))
            files << f;
    }
    std::sort(files.begin(), files.end());
    return files;
}

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Progress for a person watching, on standard error; nothing when it goes to a file or a pipe.
class Progress {
public:
    explicit Progress(int total) : total_(total), on_(::isatty(STDERR_FILENO) == 1 && total > 1) {}
    ~Progress()
    {
        if (on_ && shown_)
            std::fputs("\n", stderr);
    }
    void step(int read, int matched)
    {
        if (!on_)
            return;
        shown_ = true;
        const QByteArray line = QStringLiteral("\rtarvix-db: fișiere citite: %1 din %2; capitole potrivite: %3 ")
                                    .arg(read)
                                    .arg(total_)
                                    .arg(matched)
                                    .toUtf8();
        std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stderr);
        std::fflush(stderr);
    }

private:
    int total_;
    bool on_;
    bool shown_ = false;
};

std::vector<SourceFile> sourceFiles(const TitleMatcher& matcher, const QStringList& sources,
                                    const std::vector<std::pair<QString, QString>>& chapters)
{
    std::vector<SourceFile> files;
    QSet<QString> seen;
    const auto add = [&](const QString& path, int title) {
        const QString key = QFileInfo(path).absoluteFilePath();
        if (!seen.contains(key)) {
            seen.insert(key);
            files.push_back({path, title});
        }
    };
    for (const auto& [title, file] : chapters) {
        const int t = matcher.Exact(title);
        if (t < 0)
            throw Failure{exitcode::BadArguments,
                          QStringLiteral("capitolul „%1” din --chapter nu există în baza de date.").arg(title)};
        if (!QFileInfo::exists(file))
            throw Failure{exitcode::FileProblem, QStringLiteral("Fișierul „%1” nu există.").arg(shown(file))};
        add(file, t);
    }
    for (const QString& s : sources) {
        const QFileInfo info(s);
        if (!info.exists())
            throw Failure{exitcode::FileProblem, QStringLiteral("Sursa „%1” nu există.").arg(shown(s))};
        if (info.isDir()) {
            for (const QString& f : chapterFilesIn(s))
                add(f, -1);
        } else {
            add(s, -1);
        }
    }
    return files;
}

}  // namespace

SourceReport ReadSources(const QStringList& titles, const QStringList& sources,
                         const std::vector<std::pair<QString, QString>>& chapters)
{
    const TitleMatcher matcher(titles);
    const std::vector<SourceFile> files = sourceFiles(matcher, sources, chapters);
    SourceReport report;
    report.files = static_cast<int>(files.size());
    // Title -> the sources naming it; those given with --chapter first.
    std::map<int, std::vector<SourceChapter>> named, given;
    Progress progress(report.files);
    int read = 0;
    for (const SourceFile& f : files) {
        progress.step(read++, static_cast<int>(named.size() + given.size()));
        ChapterFile chapters;
        try {
            chapters = ReadChapterFile(f.path);
        } catch (const TextRefused& r) {
            report.refused << QStringLiteral("„%1”: %2").arg(shown(f.path), r.reason);
            continue;
        }
        if (f.title >= 0) {
            QString text;
            for (const ChapterPart& p : chapters.parts)
                text += p.text;
            given[f.title].push_back({f.title, shown(f.path), std::move(text)});
            continue;
        }
        for (std::size_t i = 0; i < chapters.parts.size(); ++i) {
            ChapterPart& p = chapters.parts[i];
            // A heading names the part; only a part without one is named by its first line.
            QStringList candidates{p.heading.isEmpty() ? p.firstLine : p.heading};
            if (!chapters.book)
                candidates << TitleOfFileName(f.path);
            const QString origin = chapters.book
                                       ? QStringLiteral("„%1”, partea %2 („%3”)")
                                             .arg(shown(f.path))
                                             .arg(i + 1)
                                             .arg(Shortened(p.heading.isEmpty() ? p.firstLine : p.heading, 60))
                                       : QStringLiteral("„%1”").arg(shown(f.path));
            const int t = matcher.Match(candidates);
            if (t < 0)
                report.unmatched << origin;
            else
                named[t].push_back({t, origin, std::move(p.text)});
        }
    }
    progress.step(read, static_cast<int>(named.size() + given.size()));
    for (auto& [title, list] : given) {
        QStringList others;
        for (const SourceChapter& c : named[title])
            others << c.origin;
        for (std::size_t i = 1; i < list.size(); ++i)
            others << list[i].origin;
        if (!others.isEmpty())
            report.doubled << QStringLiteral("capitolul „%1”: ales „%2” (--chapter); lăsat deoparte: %3")
                                  .arg(titles[title], list.front().origin, others.join(QStringLiteral(", ")));
        named.erase(title);
        report.chapters.push_back(std::move(list.front()));
    }
    for (auto& [title, list] : named) {
        if (list.size() == 1) {
            report.chapters.push_back(std::move(list.front()));
            continue;
        }
        QStringList origins;
        for (const SourceChapter& c : list)
            origins << c.origin;
        report.doubled << QStringLiteral("capitolul „%1” se potrivește cu %2; niciunul nu a fost folosit")
                              .arg(titles[title], origins.join(QStringLiteral(" și ")));
    }
    std::sort(report.chapters.begin(), report.chapters.end(),
              [](const SourceChapter& a, const SourceChapter& b) { return a.title < b.title; });
    return report;
}

}  // namespace tarvix::tool
