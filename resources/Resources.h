#pragma once

namespace tarvix {

// Registers the pictures built into the program (":/icons/...", ":/splash.bmp").
// They live in a static library, so the linker keeps them only when this is called;
// call it once before the first window is created. Calling it again is harmless.
void InitResources();

}  // namespace tarvix
