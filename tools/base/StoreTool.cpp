#include "tools/base/StoreTool.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include "platform/text/TextFunctions.h"
#include "store/Schema.h"

#include <QFileInfo>
#include <QHash>

#include <cstdio>

namespace tarvix::tool {

namespace {

CapturedOutput* capture = nullptr;

void write(std::FILE* stream, const QString& text)
{
    if (capture) {
        (stream == stdout ? capture->out : capture->err) += text + QLatin1Char('\n');
        return;
    }
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, static_cast<std::size_t>(utf8.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

}  // namespace

CapturedOutput::CapturedOutput() : previous_(capture)
{
    capture = this;
}

CapturedOutput::~CapturedOutput()
{
    capture = previous_;
}

void PrintOut(const QString& text)
{
    write(stdout, text);
}

void PrintErr(const QString& text)
{
    write(stderr, QStringLiteral("tarvix-db: ") + text);
}

QString DescribeEngineError(const EngineError& e)
{
    return QStringLiteral("eroarea %1: %2").arg(e.Number()).arg(store::AdvisedText(e));
}

QString HandEditor(const Database& db)
{
    return db.OnServer() ? QStringLiteral("psql") : QStringLiteral("sqlite3");
}

QStringList Listed(const QStringList& items, int limit)
{
    QStringList out = items.mid(0, limit);
    if (items.size() > limit)
        out << QStringLiteral("… și încă %1.").arg(items.size() - limit);
    return out;
}

void PrintListed(const QString& prefix, const QStringList& items)
{
    for (const QString& line : Listed(items))
        PrintErr(prefix + line);
}

namespace {
bool startsLikeAFormula(const QString& t)
{
    return !t.isEmpty() && QStringView(u"=+-@'").contains(t.front());
}
}  // namespace

QString Neutralised(const QString& text)
{
    return startsLikeAFormula(text) ? QLatin1Char('\'') + text : text;
}

QString Unneutralised(const QString& cell)
{
    return cell.size() >= 2 && cell.front() == u'\'' && startsLikeAFormula(cell.mid(1)) ? cell.mid(1) : cell;
}

std::optional<QString> AskPasswordOnTerminal(const QString& server)
{
    const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (tty < 0)
        return std::nullopt;
    const QByteArray prompt = QStringLiteral("Parola pentru baza de date %1: ").arg(server).toUtf8();
    ::write(tty, prompt.constData(), static_cast<std::size_t>(prompt.size()));
    termios saved{};
    const bool isTerminal = ::tcgetattr(tty, &saved) == 0;
    if (isTerminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(tty, TCSAFLUSH, &quiet);
    }
    QByteArray line;
    char c = 0;
    while (::read(tty, &c, 1) == 1 && c != '\n')
        line += c;
    if (isTerminal)
        ::tcsetattr(tty, TCSAFLUSH, &saved);
    ::write(tty, "\n", 1);
    ::close(tty);
    return QString::fromUtf8(line);
}

std::unique_ptr<Database> OpenStore(const QString& file, Access access)
{
    std::unique_ptr<Database> db;
    try {
        db = store::Open(file, access);
    } catch (const EngineError& e) {
        throw Failure{exitcode::FileProblem, DescribeEngineError(e)};
    }
    return db;
}

namespace {

void addTexts(Database& db, const store::TextTable& t, const QStringList& texts)
{
    if (texts.isEmpty())
        return;
    auto rs = db.OpenRecordset(QLatin1String(t.table), dbOpenDynaset);
    for (const QString& text : texts) {
        rs->AddNew();
        rs->Collect(QLatin1String(t.text)) = text;
        rs->Update();
    }
    rs->Close();
}

QHash<QString, std::int32_t> keysByFold(Database& db, const QString& sql)
{
    QHash<QString, std::int32_t> keys;
    for (const auto& row : db.QueryRows(sql))
        keys.insert(FoldKey(row.at(1).ToText()), row.at(0).ToInt32());
    return keys;
}

}  // namespace

void AppendContent(Database& db, const Content& content)
{
    addTexts(db, store::kWords, content.words);
    addTexts(db, store::kChapters, content.chapters);
    if (content.links.empty())
        return;
    const auto words = keysByFold(db, QStringLiteral("SELECT ID_Cuvant, Cuvant FROM tblDictionar"));
    const auto chapters = keysByFold(db, QStringLiteral("SELECT ID_Capitol, Capitol FROM tblCapitol"));
    auto rs = db.OpenRecordset(QStringLiteral("tblLegatura"), dbOpenDynaset);
    for (const auto& [word, chapter] : content.links) {
        const auto w = words.constFind(FoldKey(word));
        const auto c = chapters.constFind(FoldKey(chapter));
        // Callers check links first; this guards against a store changed underneath.
        if (w == words.constEnd() || c == chapters.constEnd())
            throw EngineError(err::RelatedRowRequired,
                              QStringLiteral("Legătura „%1” – „%2” trimite la un cuvânt sau capitol care nu există.")
                                  .arg(word, chapter));
        rs->AddNew();
        rs->Collect(QStringLiteral("ID_Cuvant")) = Variant(*w);
        rs->Collect(QStringLiteral("ID_Capitol")) = Variant(*c);
        rs->Update();
    }
    rs->Close();
}

}  // namespace tarvix::tool
