#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quillmere::fuzz {

// Inflates one stream with zlib, with the core's inflate, and with its fast and exact inflates
// alone, and aborts on any difference in outcome, message (and the byte it names), bytes taken or
// output; and when the fast inflate gives up on a stream that zlib takes. The input is a 3-byte
// little-endian output size (taken modulo 128 KiB + 1), then the zlib stream.
int FuzzInflateInput(const std::uint8_t* data, std::size_t size);

// The input that asks for `outputBytes` of output from `stream`.
[[nodiscard]] std::vector<std::uint8_t> InflateInput(std::size_t outputBytes, std::span<const std::uint8_t> stream);

}  // namespace quillmere::fuzz
