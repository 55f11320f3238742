#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "load/StreamInflater.h"

namespace quillmere::testsupport {

// What a browser's DecompressionStream('deflate') gives for `stream`, done with zlib: the output
// up to where it is stopped once past `limit` bytes, and how it ended. Like a browser, it refuses
// bytes after the end of the stream and checks the checksum.
[[nodiscard]] std::pair<std::vector<std::uint8_t>, load::InflateOutcome> BrowserInflate(
    std::span<const std::uint8_t> stream, std::int64_t limit);

}  // namespace quillmere::testsupport
