// The chapters editor: lists, adds, changes and deletes chapter titles.
#pragma once

#include "editors/Editor.h"

namespace tarvix {

class frmCapitole : public Editor {
public:
    frmCapitole();
};

}  // namespace tarvix
