#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "load/SaveFile.h"

namespace quillmere::load {

// One save read whole from a stream, such as standard input.
struct StreamedSave {
    std::vector<std::uint8_t> bytes;
    std::optional<std::time_t> modified;  // the last change, when the stream is a regular file
};

// Reads the stream open as `fd` to its end, going on after an interrupted read. A regular file
// larger than `most` bytes is refused unread (TooLargeMessage); any other stream is read no further
// than one byte past `most` (TooLongStreamMessage), so that memory stays bounded however much it
// holds. Throws LoadError with that message or the system's text.
[[nodiscard]] StreamedSave ReadSaveStream(int fd, std::int64_t most = kMaxSaveFileBytes);

// Why a stream longer than `most` bytes is not read to its end.
[[nodiscard]] std::string TooLongStreamMessage(std::int64_t most = kMaxSaveFileBytes);

}  // namespace quillmere::load
