#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere::load {

// The whole file, opened read-only. Throws LoadError with the system's text ("No such file or
// directory"...) when it cannot be read.
[[nodiscard]] std::vector<std::uint8_t> ReadWholeFile(const std::string& path);

// The file's last-modification time in local time, seconds rounded down to even, as days since
// 30 December 1899 (fraction = time of day); empty when the time cannot be read.
[[nodiscard]] std::optional<double> FileModificationDate(const std::string& path);

// The base name of `path` up to its last "."; a name without "." is kept whole.
// Both "/" and "\" separate folders.
[[nodiscard]] std::string FileNameOf(std::string_view path);

// The folder of `path` without its trailing separator ("/" for the root); empty when the path
// names no folder.
[[nodiscard]] std::string FolderOf(std::string_view path);

}  // namespace quillmere::load
