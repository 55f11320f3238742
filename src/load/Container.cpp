#include "load/Container.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "load/Inflate.h"
#include "load/LoadError.h"

namespace quillmere::load {

namespace {

std::int32_t int32At(std::span<const std::uint8_t> bytes, std::int64_t offset) {
    const auto* p = bytes.data() + offset;
    return static_cast<std::int32_t>(std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
                                     std::uint32_t{p[3]} << 24);
}

}  // namespace

std::int64_t FindStreamOffset(std::span<const std::uint8_t> file) {
    if (file.size() < 4) return -1;
    // The last candidate is size - 4, as in every save the stream is followed by data.
    const auto last = static_cast<std::int64_t>(file.size()) - 4;
    for (std::int64_t p = 0; p <= last; ++p) {
        const auto* hit = static_cast<const std::uint8_t*>(
            std::memchr(file.data() + p, 0x78, static_cast<std::size_t>(last - p + 1)));
        if (hit == nullptr) return -1;
        p = hit - file.data();
        if (file[static_cast<std::size_t>(p) + 1] == 0x9C) return p;
    }
    return -1;
}

WorkBuffer AssembleWorkBuffer(std::span<const std::uint8_t> file) {
    const std::int64_t p = FindStreamOffset(file);
    if (p < 8) throw LoadError("no game data found");

    const std::int64_t size = static_cast<std::int64_t>(file.size());
    const std::int32_t u = int32At(file, p - 8);
    const std::int32_t c = int32At(file, p - 4);
    if (c <= 0) throw LoadError("damaged save: compressed length " + std::to_string(c) + " out of range");
    if (c > size - p) {
        // The usual damage of an upload: the file stops inside its game data.
        throw LoadError("damaged save: the file is cut short (" + std::to_string(c - (size - p)) +
                        " bytes of its game data missing)");
    }
    if (u <= 0 || u > kMaxInflatedLength) {
        throw LoadError("damaged save: game data length " + std::to_string(u) + " out of range");
    }

    const std::int64_t trailing = size - p - c;
    WorkBuffer work;
    work.streamOffset = p;
    work.bytes.resize(static_cast<std::size_t>(p + u + trailing));
    const auto out = std::span<std::uint8_t>(work.bytes);
    std::copy(file.begin(), file.begin() + (p - 4), out.begin());
    std::memcpy(out.data() + (p - 4), "BODY", 4);
    Inflate(file.subspan(static_cast<std::size_t>(p), static_cast<std::size_t>(c)),
            out.subspan(static_cast<std::size_t>(p), static_cast<std::size_t>(u)));
    std::copy(file.begin() + (p + c), file.end(), out.begin() + (p + u));
    return work;
}

}  // namespace quillmere::load
