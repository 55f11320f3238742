#pragma once

#include <string>
#include <vector>

namespace quillmere::testsupport {

// A zlib stream no encoder writes, and what zlib says of it.
struct CraftedStream {
    std::string name;
    std::vector<std::uint8_t> stream;
    std::string zlibReason;  // "" when zlib inflates it
};

// Streams that a lenient inflate takes and zlib refuses (symbols without a meaning, codes with a
// pattern no symbol has, headers that count too many codes, repeats past the last length), each
// checksummed over what a lenient inflate makes of it, so that nothing but the refusal stops it;
// and one of each block kind that zlib takes.
[[nodiscard]] std::vector<CraftedStream> CraftedStreams();

}  // namespace quillmere::testsupport
