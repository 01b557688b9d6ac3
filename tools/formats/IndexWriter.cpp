#include "tools/formats/IndexWriter.h"

namespace tarvix::tool {

QByteArray JoinedIndexItems(const std::vector<QByteArray>& items)
{
    QByteArray out;
    for (const QByteArray& i : items) {
        if (!out.isEmpty())
            out += "; ";
        out += i;
    }
    return out;
}

}  // namespace tarvix::tool
