// A modal dialog that asks for a password: what is typed stays hidden and
// goes back to the caller alone, never into a file or a setting.
#pragma once

#include <QString>

#include <optional>

namespace tarvix {

// The password typed, or nothing when the user gives up.
std::optional<QString> PasswordBox(const QString& prompt, const QString& title);

}  // namespace tarvix
