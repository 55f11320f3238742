#include "load/Container.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "load/ByteOrder.h"
#include "load/LoadError.h"
#include "load/inflate/PortableInflater.h"

namespace quillmere::load {

namespace {

// The first 78 9C at or before `lastCandidate`, which must be below bytes.size() - 1; -1 when none.
std::int64_t firstMarker(std::span<const std::uint8_t> bytes, std::size_t lastCandidate) {
    for (std::size_t p = 0; p <= lastCandidate; ++p) {
        const auto* hit = static_cast<const std::uint8_t*>(std::memchr(bytes.data() + p, 0x78, lastCandidate - p + 1));
        if (hit == nullptr) return -1;
        p = static_cast<std::size_t>(hit - bytes.data());
        if (bytes[p + 1] == 0x9C) return static_cast<std::int64_t>(p);
    }
    return -1;
}

std::string at(std::int64_t offset) { return " at byte " + std::to_string(offset); }

}  // namespace

std::int64_t FindStreamOffset(std::span<const std::uint8_t> file) {
    if (file.size() < 4) return -1;
    return firstMarker(file, file.size() - 4);
}

std::int64_t FindStreamOffset(const SaveBytes& file, ByteBuffer& scratch) {
    const std::int64_t size = file.size();
    if (size < 4) return -1;
    const std::int64_t last = size - 4;
    constexpr auto kChunk = static_cast<std::int64_t>(kScanChunkBytes);
    // Each piece reaches one byte past its last candidate and the next starts at that byte, so a
    // marker split between two pieces is found in the second.
    for (std::int64_t start = 0; start <= last;) {
        const std::int64_t length = std::min(kChunk, last + 2 - start);
        const auto piece = file.view(start, static_cast<std::size_t>(length), scratch);
        const std::int64_t hit = firstMarker(piece, piece.size() - 2);
        if (hit >= 0) return start + hit;
        start += length - 1;
    }
    return -1;
}

StreamPlan PlanStream(const SaveBytes& file, ByteBuffer& scratch) {
    const std::int64_t p = FindStreamOffset(file, scratch);
    if (p < 8) throw LoadError("not a save file: no game data found");

    const std::int64_t size = file.size();
    std::array<std::uint8_t, 8> lengths{};
    file.copyTo(p - 8, lengths);
    const std::int64_t u = DecodeInt32LE(std::span(lengths).first<4>());
    const std::int64_t c = DecodeInt32LE(std::span(lengths).last<4>());
    const bool plausibleU = u > 0 && u <= kMaxGameDataBytes;
    const bool plausibleC = c > 0 && c <= size - p;
    // Two lengths that describe nothing: a file that only happens to hold the stream's marker.
    if (!plausibleU && !plausibleC) throw LoadError("not a save file: no game data found");
    if (c <= 0) throw LoadError("damaged save: the compressed length" + at(p - 4) + " reads " + std::to_string(c));
    if (u <= 0) throw LoadError("damaged save: the game data length" + at(p - 8) + " reads " + std::to_string(u));
    if (u > kMaxGameDataBytes) {
        throw LoadError("damaged save: the game data length" + at(p - 8) + " reads " + std::to_string(u) +
                        ", more than any save holds (" + std::to_string(kMaxGameDataBytes / (1024 * 1024)) + " MiB)");
    }
    if (u > c * kMaxDeflateRatio) {
        throw LoadError("damaged save: the game data length" + at(p - 8) + " reads " + std::to_string(u) +
                        ", more than its " + std::to_string(c) + " compressed bytes can hold");
    }
    return {.streamOffset = p, .gameLength = u, .compressedLength = c, .streamBytes = std::min(c, size - p)};
}

void AssembleWorkBuffer(const SaveBytes& file, const StreamPlan& plan, WorkBuffer& work, StreamInflater& inflater,
                        ByteBuffer& scratch) {
    const std::int64_t size = file.size();
    const std::int64_t p = plan.streamOffset;
    const std::int64_t u = plan.gameLength;
    const std::int64_t c = plan.compressedLength;
    const std::int64_t streamBytes = plan.streamBytes;
    const std::int64_t trailing = size - p - streamBytes;
    work.streamOffset = p;
    work.gameLength = u;
    work.bytes.sizeForOverwrite(static_cast<std::size_t>(p + u + trailing));
    const std::span<std::uint8_t> out(work.bytes);
    file.copyTo(0, out.first(static_cast<std::size_t>(p - 4)));
    std::memcpy(out.data() + (p - 4), "BODY", 4);
    const auto stream = file.view(p, static_cast<std::size_t>(streamBytes), scratch);
    const auto state = out.subspan(static_cast<std::size_t>(p), static_cast<std::size_t>(u));
    if (c > size - p) {
        // The usual damage of an upload is a file that stops inside its game data; a stream that
        // ends whole before the file does means the length itself is wrong.
        try {
            (void)inflater.inflate(stream, state, p);
        } catch (const StreamCutShort&) {
            throw LoadError("damaged save: the file is cut short (" + std::to_string(c - (size - p)) +
                            " bytes of its game data missing)");
        }
        throw LoadError("damaged save: the compressed length" + at(p - 4) + " reads " + std::to_string(c) +
                        ", more than the " + std::to_string(size - p) + " bytes that follow it");
    }
    const std::size_t consumed = inflater.inflate(stream, state, p);
    // A whole zlib stream is longer than its trailer.
    work.gameChecksum = DecodeUint32BE(stream.subspan(consumed - 4).first<4>());
    file.copyTo(p + c, out.subspan(static_cast<std::size_t>(p + u)));
}

void AssembleWorkBuffer(const SaveBytes& file, WorkBuffer& work, StreamInflater& inflater, ByteBuffer& scratch) {
    const StreamPlan plan = PlanStream(file, scratch);
    AssembleWorkBuffer(file, plan, work, inflater, scratch);
}

void AssembleWorkBuffer(std::span<const std::uint8_t> file, WorkBuffer& work, StreamInflater& inflater) {
    ByteBuffer unused;  // bytes in memory are viewed where they are
    AssembleWorkBuffer(MemoryBytes(file), work, inflater, unused);
}

WorkBuffer AssembleWorkBuffer(std::span<const std::uint8_t> file) {
    WorkBuffer work;
    inflate::PortableInflater inflater;
    AssembleWorkBuffer(file, work, inflater);
    return work;
}

}  // namespace quillmere::load
