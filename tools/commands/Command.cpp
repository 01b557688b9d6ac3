#include "tools/commands/Command.h"

namespace tarvix::tool {

const Option* Command::option(const QString& longName) const
{
    for (const Option& o : options)
        if (o.longName() == longName || (!o.letter.isNull() && longName == QStringLiteral("-") + o.letter))
            return &o;
    return nullptr;
}

QString Command::usage() const
{
    return arguments.isEmpty() ? name : name + QLatin1Char(' ') + arguments.join(QLatin1Char(' '));
}

Option JetPasswordOption()
{
    return {QStringLiteral("password"),
            {},
            QStringLiteral("PAROLĂ"),
            {QStringLiteral("parola bazei de date Access; „-” o citește din primul"),
             QStringLiteral("rând al intrării standard, ca să nu apară în lista proceselor.")}};
}

}  // namespace tarvix::tool
