// The words editor: lists, adds, changes and deletes words, and opens the
// links editor for the selected word.
#pragma once

#include "editors/Editor.h"

namespace tarvix {

class frmDictionar : public Editor {
public:
    frmDictionar();
    // Text1 (public through Editor) holds the selected word, which the links editor reads when it loads.

private:
    void Command7_Click();
};

}  // namespace tarvix
