#pragma once

#include <QString>
#include <string_view>

namespace quillmere::view {

// Display text of one of the core's Windows-1251 texts; byte B9 becomes the numero sign.
[[nodiscard]] QString FromWindows1251(std::string_view bytes);

}  // namespace quillmere::view
