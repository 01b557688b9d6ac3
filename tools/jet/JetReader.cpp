#include "tools/jet/JetReader.h"

#include "tools/base/StoreTool.h"
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
    name_ = info.fileName();
    header_ = InspectJetFile(path_);
    if (!header_.ok())
        throw Failure{exitcode::FileProblem, QStringLiteral("Fișierul „%1” %2").arg(name_, header_.problem)};
}

JetReader::~JetReader() = default;

void JetReader::damaged(const QString& how) const
{
    throw Failure{exitcode::FileProblem, QStringLiteral("Fișierul „%1” pare deteriorat: %2").arg(name_, how)};
}

void JetReader::pump(bool untilWaiting)
{
    const auto feed = [&](const char* data, std::size_t size) {
        try {
            parser_.feed(data, size);
        } catch (const JetProtocolError&) {
            damaged(QStringLiteral("cititorul a dat un răspuns de neînțeles."));
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
    while (!(untilWaiting && waiting_)
           && child_->read(static_cast<int>(std::clamp<qint64>(stall - sinceOutput.elapsed(), 1, 1000)), progressed,
                           err_, kStderrKept)) {
        if (sinceOutput.elapsed() > stall)
            throw Failure{exitcode::FileProblem,
                          QStringLiteral("Citirea fișierului „%1” a fost oprită: cititorul nu a mai dat niciun rând "
                                         "timp de %2 s. Calculatorul este prea ocupat sau fișierul se citește prea "
                                         "încet (de pe o rețea?); încercați din nou mai târziu.")
                              .arg(name_)
                              .arg(kStallSeconds)};
    }
    if (untilWaiting && waiting_)
        return;
    const int status = child_->wait();
    const QString because =
        err_.isEmpty() ? QString() : QStringLiteral(" (cititorul a spus: „%1”)").arg(FirstErrorLine(err_));
    if (status < 0)
        damaged(QStringLiteral("cititorul de fișiere Access s-a oprit brusc citindu-l%1.").arg(because));
    QString failure;
    try {
        failure = parser_.finish();
    } catch (const JetProtocolError&) {
        damaged(QStringLiteral("citirea s-a oprit înainte de sfârșit%1.").arg(because));
    }
    if (!failure.isEmpty() || status != 0)
        throw Failure{exitcode::FileProblem,
                      QStringLiteral("Fișierul „%1” nu poate fi citit ca bază de date Access (%2)%3.")
                          .arg(name_, failure.isEmpty() ? QStringLiteral("cod %1").arg(status) : failure, because)};
    // Ended without waiting for what to read: cut short.
    if (untilWaiting)
        damaged(QStringLiteral("citirea s-a oprit înainte de sfârșit%1.").arg(because));
}

const std::vector<JetTableInfo>& JetReader::Tables()
{
    if (child_)
        return tables_;
    // Tests put a misbehaving reader in its place to see each failure handled.
    // Texts come as UTF-8; Jet 3 bytes pass through Latin-1 unchanged, to be decoded here with the right code page.
    // A missing file must not be looked for elsewhere, nor debugging output switched on.
    child_ = std::make_unique<GuardedChild>(
        qEnvironmentVariable("TARVIX_JET_READER", QCoreApplication::applicationFilePath()),
        QStringList{QString::fromLatin1(kJetReaderMode), QStringLiteral("read"), path_},
        QStringList{QStringLiteral("MDBPATH"), QStringLiteral("MDBOPTS"), QStringLiteral("MDBICONV=UTF-8"),
                    QStringLiteral("MDB_JET3_CHARSET=ISO-8859-1")},
        true);
    if (const QString why = child_->startFailure(); !why.isEmpty())
        throw Failure{exitcode::EngineFailure, QStringLiteral("Cititorul de fișiere Access nu a pornit: %1.").arg(why)};
    parser_.onTable = [&](const JetTableInfo& t) { tables_.push_back(t); };
    parser_.onTableEnd = [](long long, long long) {};
    parser_.onRow = [](const std::vector<JetField>&) { throw JetProtocolError("a row in the list"); };
    parser_.onLinked = [&](const QString& name, const QString& file) { linked_.emplace_back(name, file); };
    parser_.onWaiting = [&] { waiting_ = true; };
    pump(true);
    return tables_;
}

void JetReader::Read(const std::vector<Request>& requests,
                     const std::function<void(std::size_t, const std::vector<JetField>&)>& onRow)
{
    Tables();
    QByteArray asked;
    for (const Request& r : requests)
        asked += JetRequestLine(QStringList{r.table} + r.columns);
    // A reader that stopped listening says why when its output is read.
    child_->send(asked + '\n');
    std::size_t current = 0;
    bool open = false;
    parser_.onTable = [&](const JetTableInfo& t) {
        if (open || current >= requests.size()
            || t.columns.size() != static_cast<std::size_t>(requests[current].columns.size()))
            throw JetProtocolError("a table not asked for");
        open = true;
    };
    parser_.onRow = [&](const std::vector<JetField>& fields) {
        if (fields.size() != static_cast<std::size_t>(requests[current].columns.size()))
            throw JetProtocolError("a row of the wrong width");
        onRow(current, fields);
    };
    std::vector<std::pair<long long, long long>> counts;
    parser_.onTableEnd = [&](long long read, long long declared) {
        counts.emplace_back(read, declared);
        open = false;
        ++current;
    };
    parser_.onLinked = [](const QString&, const QString&) { throw JetProtocolError("a linked table among rows"); };
    pump(false);
    for (std::size_t i = 0; i < counts.size(); ++i)
        if (counts[i].first != counts[i].second)
            throw Failure{exitcode::FileProblem,
                          QStringLiteral("Fișierul „%1” este deteriorat: tabela „%2” are %3 după "
                                         "definiția ei, dar s-au citit %4.")
                              .arg(name_, requests[i].table, Counted(counts[i].second, "rând", "rânduri"))
                              .arg(counts[i].first)};
    if (counts.size() != requests.size())
        damaged(QStringLiteral("nu toate tabelele au putut fi citite."));
}

}  // namespace tarvix::tool
