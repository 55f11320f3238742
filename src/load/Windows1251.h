#pragma once

#include <string>
#include <string_view>

namespace quillmere::load {

// Converts UTF-8 text (a file name, say) to the Windows-1251 bytes that every 8-bit text of a
// record holds. Characters without a Windows-1251 byte become "?"; text that is not valid UTF-8
// is taken to be 8-bit already and kept as it is.
[[nodiscard]] std::string Utf8ToWindows1251(std::string_view utf8);

// Converts Windows-1251 bytes to UTF-8.
[[nodiscard]] std::string Windows1251ToUtf8(std::string_view text);

}  // namespace quillmere::load
