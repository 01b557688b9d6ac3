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

}  // namespace tarvix::tool
