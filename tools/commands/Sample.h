// The sample store: a Romanian computer-science textbook, always the same.
#pragma once

#include "tools/base/StoreTool.h"

namespace tarvix::tool {

// Words in the order they first appear, chapters in textbook order, links chapter by chapter.
Content SampleContent();

}  // namespace tarvix::tool
