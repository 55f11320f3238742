#include "load/Container.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "load/LoadError.h"

namespace quillmere::load {

namespace {

std::int32_t int32At(std::span<const std::uint8_t> bytes, std::int64_t offset) {
    const auto* p = bytes.data() + offset;
    return static_cast<std::int32_t>(std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
                                     std::uint32_t{p[3]} << 24);
}

std::string at(std::int64_t offset) { return " at byte " + std::to_string(offset); }

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

void AssembleWorkBuffer(std::span<const std::uint8_t> file, WorkBuffer& work, Inflater& inflater) {
    const std::int64_t p = FindStreamOffset(file);
    if (p < 8) throw LoadError("not a save file: no game data found");

    const auto size = static_cast<std::int64_t>(file.size());
    const std::int64_t u = int32At(file, p - 8);
    const std::int64_t c = int32At(file, p - 4);
    const bool plausibleU = u > 0 && u <= kMaxGameDataBytes;
    const bool plausibleC = c > 0 && c <= size - p;
    // Two lengths that describe nothing: a file that only happens to hold the stream's marker.
    if (!plausibleU && !plausibleC) throw LoadError("not a save file: no game data found");
    if (c <= 0) throw LoadError("damaged save: the compressed length" + at(p - 4) + " reads " + std::to_string(c));
    if (u <= 0) throw LoadError("damaged save: the game data length" + at(p - 8) + " reads " + std::to_string(u));
    if (u > kMaxGameDataBytes) {
        throw LoadError("damaged save: the game data length" + at(p - 8) + " reads " + std::to_string(u) +
                        ", more than any save holds (" + std::to_string(kMaxGameDataBytes / (1024 * 1024)) +
                        " MiB)");
    }
    if (u > c * kMaxDeflateRatio) {
        throw LoadError("damaged save: the game data length" + at(p - 8) + " reads " + std::to_string(u) +
                        ", more than its " + std::to_string(c) + " compressed bytes can hold");
    }

    const std::int64_t streamBytes = std::min(c, size - p);
    const std::int64_t trailing = size - p - streamBytes;
    work.streamOffset = p;
    work.gameLength = u;
    work.bytes.sizeForOverwrite(static_cast<std::size_t>(p + u + trailing));
    const std::span<std::uint8_t> out(work.bytes);
    std::copy(file.begin(), file.begin() + (p - 4), out.begin());
    std::memcpy(out.data() + (p - 4), "BODY", 4);
    const auto stream = file.subspan(static_cast<std::size_t>(p), static_cast<std::size_t>(streamBytes));
    const auto state = out.subspan(static_cast<std::size_t>(p), static_cast<std::size_t>(u));
    if (c > size - p) {
        // The usual damage of an upload is a file that stops inside its game data; a stream that
        // ends whole before the file does means the length itself is wrong.
        try {
            inflater.inflate(stream, state, p);
        } catch (const StreamCutShort&) {
            throw LoadError("damaged save: the file is cut short (" + std::to_string(c - (size - p)) +
                            " bytes of its game data missing)");
        }
        throw LoadError("damaged save: the compressed length" + at(p - 4) + " reads " + std::to_string(c) +
                        ", more than the " + std::to_string(size - p) + " bytes that follow it");
    }
    const std::size_t consumed = inflater.inflate(stream, state, p);
    const auto* trailer = stream.data() + consumed - 4;  // a whole zlib stream is longer than its trailer
    work.gameChecksum = std::uint32_t{trailer[0]} << 24 | std::uint32_t{trailer[1]} << 16 |
                        std::uint32_t{trailer[2]} << 8 | std::uint32_t{trailer[3]};
    std::copy(file.begin() + (p + c), file.end(), out.begin() + (p + u));
}

WorkBuffer AssembleWorkBuffer(std::span<const std::uint8_t> file) {
    WorkBuffer work;
    Inflater inflater;
    AssembleWorkBuffer(file, work, inflater);
    return work;
}

}  // namespace quillmere::load
