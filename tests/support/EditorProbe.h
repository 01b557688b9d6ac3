// Reaches an editor's private refill from outside a window, for the benchmarks
// that time it (the editor names this class its friend).
#pragma once

#include "editors/Editor.h"

namespace tarvix {

class EditorProbe {
public:
    static void FillList(Editor& e) { e.FillList(); }
};

}  // namespace tarvix
