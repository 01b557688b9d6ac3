// The key under which texts compare equal in statements and unique indexes:
// letter case ignored for every letter the program upper-cases, Romanian
// letters included, and the old cedilla forms of Ș and Ț counted as the comma forms.
#pragma once

#include <QString>

namespace tarvix {

QString FoldKey(const QString& text);

}  // namespace tarvix
