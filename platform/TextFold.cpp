#include "platform/TextFold.h"

namespace tarvix {

QString FoldKey(const QString& text)
{
    QString key = text.toUpper();
    for (QChar& c : key) {
        switch (c.unicode()) {
        case 0x015E: c = QChar(0x0218); break;  // Ş -> Ș
        case 0x0162: c = QChar(0x021A); break;  // Ţ -> Ț
        default: break;
        }
    }
    return key;
}

}  // namespace tarvix
