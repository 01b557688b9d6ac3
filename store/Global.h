// The program's two shared variables.
#pragma once

#include "platform/Engine.h"

#include <cstdint>
#include <memory>

namespace tarvix {

struct Global {
    // The one open connection to "Dictionar.mdb"; opened and closed by the main window.
    static inline std::unique_ptr<Database> db;
    // ID_Cuvant of the word whose links are being edited; never reset.
    static inline std::int32_t SelectedWordId = 0;
};

inline constexpr const char* kStoreFileName = "Dictionar.mdb";

}  // namespace tarvix
