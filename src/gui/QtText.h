#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace quillmere::gui {

// Display text of one of the core's Windows-1251 texts; byte B9 becomes the numero sign.
[[nodiscard]] QString FromWindows1251(std::string_view bytes);

// Display text of UTF-8 bytes; invalid bytes show as replacement characters.
[[nodiscard]] QString FromUtf8(std::string_view bytes);

// A file name or path as the file system stores it (bytes), for display.
[[nodiscard]] QString FromFileSystem(std::string_view bytes);

// The bytes of a path that a dialog or a drop gave as text. A name that is not valid UTF-8 does not
// survive the trip through text; such a path is found again by listing its folder.
[[nodiscard]] std::string ToFileSystem(const QString& path);

}  // namespace quillmere::gui
