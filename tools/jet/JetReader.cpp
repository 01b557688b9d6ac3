#include "tools/jet/JetReader.h"

#include "tools/base/StoreTool.h"
#include "tools/jet/GuardedChild.h"
#include "tools/jet/JetReaderChild.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <functional>

namespace tarvix::tool {

namespace {

// Enough of the reader's complaints to name the cause; a damaged file can make it write megabytes.
constexpr qsizetype kStderrKept = 4096;

}  // namespace

JetReader::JetReader(QString path) : path_(std::move(path))
{
    const QFileInfo info(path_);
    header_ = InspectJetFile(path_);
    if (!header_.ok())
        throw Failure{exitcode::FileProblem, QStringLiteral("Fișierul „%1” %2").arg(info.fileName(), header_.problem)};
    size_ = info.size();
}

void JetReader::run(const QStringList& arguments, JetOutputParser& parser)
{
    const QString name = QFileInfo(path_).fileName();
    QStringList args{QString::fromLatin1(kJetReaderMode)};
    args << arguments;
    // Tests put a misbehaving reader in its place to see each failure handled.
    // Texts come as UTF-8; Jet 3 bytes pass through Latin-1 unchanged, to be decoded here with the right code page.
    // A missing file must not be looked for elsewhere, nor debugging output switched on.
    GuardedChild child(qEnvironmentVariable("TARVIX_JET_READER", QCoreApplication::applicationFilePath()), args,
                       {QStringLiteral("MDBPATH"), QStringLiteral("MDBOPTS"), QStringLiteral("MDBICONV=UTF-8"),
                        QStringLiteral("MDB_JET3_CHARSET=ISO-8859-1")});
    if (const QString why = child.startFailure(); !why.isEmpty())
        throw Failure{exitcode::EngineFailure, QStringLiteral("Cititorul de fișiere Access nu a pornit: %1.").arg(why)};
    QByteArray err;
    const auto feed = [&](const char* data, std::size_t size) {
        try {
            parser.feed(data, size);
        } catch (const JetProtocolError&) {
            throw Failure{exitcode::FileProblem,
                          QStringLiteral("Fișierul „%1” pare deteriorat: cititorul a dat un răspuns "
                                         "de neînțeles.")
                              .arg(name)};
        }
    };
    // A large file on a busy machine may take long; only a reader that stops giving rows is stopped.
    QElapsedTimer sinceOutput;
    sinceOutput.start();
    const qint64 stall = kStallSeconds * 1000LL;
    const auto progressed = [&](const char* data, std::size_t size) {
        sinceOutput.restart();
        feed(data, size);
    };
    while (child.read(static_cast<int>(std::clamp<qint64>(stall - sinceOutput.elapsed(), 1, 1000)), progressed, err,
                      kStderrKept)) {
        if (sinceOutput.elapsed() > stall)
            throw Failure{exitcode::FileProblem,
                          QStringLiteral("Citirea fișierului „%1” a fost oprită: cititorul nu a mai dat niciun rând "
                                         "timp de %2 s. Calculatorul este prea ocupat sau fișierul se citește prea "
                                         "încet (de pe o rețea?); încercați din nou mai târziu.")
                              .arg(name)
                              .arg(kStallSeconds)};
    }
    const int status = child.wait();
    const QString because =
        err.isEmpty() ? QString() : QStringLiteral(" (cititorul a spus: „%1”)").arg(FirstErrorLine(err));
    if (status < 0)
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("Fișierul „%1” pare deteriorat: cititorul de fișiere Access s-a "
                                     "oprit brusc citindu-l%2.")
                          .arg(name, because)};
    QString failure;
    try {
        failure = parser.finish();
    } catch (const JetProtocolError&) {
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("Fișierul „%1” pare deteriorat: citirea s-a oprit înainte de "
                                     "sfârșit%2.")
                          .arg(name, because)};
    }
    if (!failure.isEmpty() || status != 0)
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("Fișierul „%1” nu poate fi citit ca bază de date Access (%2)%3.")
                          .arg(name, failure.isEmpty() ? QStringLiteral("cod %1").arg(status) : failure, because)};
}

std::vector<JetTableInfo> JetReader::Tables()
{
    std::vector<JetTableInfo> tables;
    JetOutputParser parser;
    parser.onTable = [&](const JetTableInfo& t) { tables.push_back(t); };
    linked_.clear();
    parser.onLinked = [&](const QString& name, const QString& file) { linked_.emplace_back(name, file); };
    run({QStringLiteral("list"), path_}, parser);
    return tables;
}

void JetReader::Read(const std::vector<Request>& requests,
                     const std::function<void(std::size_t, const std::vector<JetField>&)>& onRow)
{
    QStringList args{QStringLiteral("dump"), path_};
    for (const Request& r : requests) {
        if (&r != &requests.front())
            args << QStringLiteral("--");
        args << r.table << r.columns;
    }
    std::size_t current = 0;
    bool open = false;
    JetOutputParser parser;
    const QString name = QFileInfo(path_).fileName();
    parser.onTable = [&](const JetTableInfo& t) {
        if (open || current >= requests.size()
            || t.columns.size() != static_cast<std::size_t>(requests[current].columns.size()))
            throw JetProtocolError("a table not asked for");
        open = true;
    };
    parser.onRow = [&](const std::vector<JetField>& fields) {
        if (fields.size() != static_cast<std::size_t>(requests[current].columns.size()))
            throw JetProtocolError("a row of the wrong width");
        onRow(current, fields);
    };
    std::vector<std::pair<long long, long long>> counts;
    parser.onTableEnd = [&](long long read, long long declared) {
        counts.emplace_back(read, declared);
        open = false;
        ++current;
    };
    run(args, parser);
    for (std::size_t i = 0; i < counts.size(); ++i)
        if (counts[i].first != counts[i].second)
            throw Failure{exitcode::FileProblem,
                          QStringLiteral("Fișierul „%1” este deteriorat: tabela „%2” are %3 după "
                                         "definiția ei, dar s-au citit %4.")
                              .arg(name, requests[i].table, Counted(counts[i].second, "rând", "rânduri"))
                              .arg(counts[i].first)};
    if (counts.size() != requests.size())
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("Fișierul „%1” pare deteriorat: nu toate tabelele au putut fi "
                                     "citite.")
                          .arg(name)};
}

}  // namespace tarvix::tool
