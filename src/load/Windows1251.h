#pragma once

#include <string>
#include <string_view>

namespace quillmere::load {

// Converts UTF-8 text (a file name, say) to the Windows-1251 bytes that every 8-bit text of a
// record holds. Characters without a Windows-1251 byte become "?"; text that is not valid UTF-8
// is taken to be 8-bit already and kept as it is.
[[nodiscard]] std::string Utf8ToWindows1251(std::string_view utf8);

// Whether Utf8ToWindows1251 keeps every character of `utf8`: false when some has no Windows-1251
// byte and would become "?". Text that is not valid UTF-8 is kept as it is, and so fits.
[[nodiscard]] bool FitsWindows1251(std::string_view utf8);

// Converts Windows-1251 bytes to UTF-8.
[[nodiscard]] std::string Windows1251ToUtf8(std::string_view text);

// A file name as UTF-8: kept when it is valid UTF-8, else read as the 8-bit text that
// Utf8ToWindows1251 takes it for, so that every output names the file alike.
[[nodiscard]] std::string FileNameToUtf8(std::string_view name);

}  // namespace quillmere::load
