#include "stress/StressState.h"

#include "platform/text/TextFunctions.h"

#include <QStringList>

#include <cstdio>

namespace tarvix::stress {

QString hex(const QString& t)
{
    return QString::fromLatin1(t.toUtf8().toHex());
}
QString unhex(const QString& h)
{
    return QString::fromUtf8(QByteArray::fromHex(h.toLatin1()));
}
bool same(const QString& a, const QString& b)
{
    return FoldKey(a) == FoldKey(b);
}

void say(const QString& line)
{
    const QByteArray utf8 = line.toUtf8() + '\n';
    std::fwrite(utf8.constData(), 1, static_cast<std::size_t>(utf8.size()), stdout);
    std::fflush(stdout);
}

State readState(Database& db)
{
    State s;
    for (const auto& r : db.QueryRows(QStringLiteral("SELECT ID_Cuvant, Cuvant FROM tblDictionar")))
        s.words[r[0].ToInt64()] = r[1].ToText();
    for (const auto& r : db.QueryRows(QStringLiteral("SELECT ID_Capitol, Capitol FROM tblCapitol")))
        s.chapters[r[0].ToInt64()] = r[1].ToText();
    for (const auto& r : db.QueryRows(QStringLiteral("SELECT ID_Cuvant, ID_Capitol FROM tblLegatura")))
        s.links.insert({r[0].ToInt64(), r[1].ToInt64()});
    return s;
}

QString dumpState(const State& s)
{
    QString out;
    for (const auto& [id, t] : s.words)
        out += QStringLiteral("W %1 %2\n").arg(id).arg(hex(t));
    for (const auto& [id, t] : s.chapters)
        out += QStringLiteral("C %1 %2\n").arg(id).arg(hex(t));
    for (const auto& [w, c] : s.links)
        out += QStringLiteral("L %1 %2\n").arg(w).arg(c);
    return out;
}

State parseState(const QString& text)
{
    State s;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList f = line.split(QLatin1Char(' '));
        if (f[0] == QLatin1String("W"))
            s.words[f[1].toLongLong()] = unhex(f.value(2));
        else if (f[0] == QLatin1String("C"))
            s.chapters[f[1].toLongLong()] = unhex(f.value(2));
        else
            s.links.insert({f[1].toLongLong(), f[2].toLongLong()});
    }
    return s;
}

}  // namespace tarvix::stress
