// What the printed index shows of a stored text, and the order it prints in.
// The windows keep their own order; these rules are the printed page's alone.
#pragma once

#include <QByteArray>
#include <QString>

namespace tarvix::tool {

// The text as printed: Ș and Ț in their comma forms (a store may hold the old
// cedilla forms Ş and Ţ), each control character or line separator a blank,
// invisible format characters left out, blanks at the ends trimmed. No
// format's document ever receives a control character.
QString PrintedText(const QString& text);

// Romanian order with each run of digits ordered by its value, so
// "CAPITOLUL 2" comes before "CAPITOLUL 10". Keys compare bytewise.
QByteArray PrintedSortKey(const QString& text);

}  // namespace tarvix::tool
