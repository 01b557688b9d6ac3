#include "tools/commands/SuggestOutput.h"

#include "tools/base/StoreTool.h"
#include "tools/formats/Csv.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>

namespace tarvix::tool {

namespace {

QString summaryLine(const SuggestSummary& s)
{
    return QStringLiteral("Legături propuse: %1, din %2 (fișiere citite: %3). Legături găsite care există deja în baza "
                          "de date, nearătate: %4.%5")
        .arg(s.proposed)
        .arg(Counted(s.chapters, "capitol", "capitole"))
        .arg(s.files)
        .arg(s.existing)
        .arg(s.fewer > 0 ? QStringLiteral(" Cu mai puține apariții decât cere --min: %1.").arg(s.fewer) : QString());
}

QByteArray asText(const std::vector<QString>& words, const QStringList& chapters,
                  const std::vector<Proposal>& proposals, const SuggestSummary& summary)
{
    QString out;
    int lastWord = -1;
    for (const Proposal& p : proposals) {
        if (p.word != lastWord) {
            if (lastWord >= 0)
                out += u'\n';
            out += words[std::size_t(p.word)] + u'\n';
            lastWord = p.word;
        }
        out +=
            QStringLiteral("  %1 — %2, %3\n    „%4”\n")
                .arg(chapters[p.chapter], Counted(p.count, "apariție", "apariții"), MatchKindName(p.kind), p.excerpt);
    }
    if (!proposals.empty())
        out += u'\n';
    out += summaryLine(summary) + u'\n';
    return out.toUtf8();
}

QByteArray asCsv(const std::vector<QString>& words, const QStringList& chapters, const std::vector<Proposal>& proposals)
{
    QStringList header;
    for (const char* c : kSuggestColumns)
        header << QLatin1String(c);
    QByteArray out = CsvLine(header);
    for (const Proposal& p : proposals)
        out += CsvLine({Neutralised(words[std::size_t(p.word)]), Neutralised(chapters[p.chapter]),
                        QString::number(p.count), MatchKindName(p.kind), Neutralised(p.excerpt)});
    return out;
}

}  // namespace

void WriteProposals(const SuggestOptions& o, const std::vector<QString>& words, const QStringList& chapters,
                    const std::vector<Proposal>& proposals, const SuggestSummary& summary)
{
    const QByteArray bytes = o.csv ? asCsv(words, chapters, proposals) : asText(words, chapters, proposals, summary);
    if (o.csv)
        PrintErr(summaryLine(summary));
    if (o.output.isEmpty()) {
        std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
        std::fflush(stdout);
        return;
    }
    const QFileInfo target(QDir::current(), o.output);
    const QString shown = QDir::toNativeSeparators(o.output);
    if (target.isDir())
        throw Failure{exitcode::FileProblem, QStringLiteral("„%1” este un dosar, nu un fișier.").arg(shown)};
    if (target.exists() && !o.force)
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("Fișierul „%1” există deja; nu îl înlocuiesc. Folosiți --force ca să fie "
                                     "înlocuit.")
                          .arg(shown)};
    QSaveFile f(target.absoluteFilePath());
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("Fișierul „%1” nu poate fi scris: %2.").arg(shown, f.errorString())};
}

}  // namespace tarvix::tool
