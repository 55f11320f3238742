#include "load/inflate/PortableInflater.h"

#include "load/inflate/ExactInflate.h"
#include "load/inflate/FastInflate.h"

namespace quillmere::load::inflate {

std::size_t PortableInflater::inflate(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out,
                                      std::int64_t fileOffset) {
    if (const auto consumed = InflateWhole(stream, out)) return *consumed;
    return InflateExactly(stream, out, fileOffset);
}

}  // namespace quillmere::load::inflate
