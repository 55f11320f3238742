#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// The fast inflate's match copy: whole words and pieces where a byte loop would be slow.
namespace quillmere::load::inflate {

// Copies write whole words, up to this many bytes past a match's end (a short match from fewer
// than 8 bytes back writes the most).
inline constexpr std::size_t kCopySlack = 32;

namespace detail {

template <typename Piece>
void CopyPiece(std::uint8_t* to, std::size_t distance) {
    Piece bytes;
    std::memcpy(&bytes, to - distance, sizeof bytes);
    std::memcpy(to, &bytes, sizeof bytes);
}

inline void CopyLongMatch(std::uint8_t* to, std::size_t distance, std::size_t length) {
    struct Words {
        std::uint64_t low, high;
    };
    std::size_t done = 0;
    if (distance >= sizeof(Words)) {
        for (; done < length; done += sizeof(Words)) CopyPiece<Words>(to + done, distance);
        return;
    }
    if (distance == 1) {
        const std::uint64_t word = to[-1] * std::uint64_t{0x0101010101010101};
        for (; done < length; done += sizeof word) std::memcpy(to + done, &word, sizeof word);
        return;
    }
    if (distance < 8) {
        // Each word written is right for its first `distance` bytes; once a whole number of
        // repeats reaches 8 bytes back, whole words can be copied from there.
        for (; done < 8; done += distance) CopyPiece<std::uint64_t>(to + done, distance);
        distance = done;
    }
    for (; done < length; done += 8) CopyPiece<std::uint64_t>(to + done, distance);
}

}  // namespace detail

// Writes `length` bytes at `to` from `distance` back, and may write up to kCopySlack bytes
// past them (which later output overwrites). Each piece is read after the bytes it needs were
// written.
inline void CopyMatch(std::uint8_t* to, std::size_t distance, std::size_t length) {
    // Most matches are short: two words, inline, whose reads more often find in one piece
    // the bytes that the match before has just written.
    if (distance >= 8 && length <= 16) {
        detail::CopyPiece<std::uint64_t>(to, distance);
        detail::CopyPiece<std::uint64_t>(to + 8, distance);
        return;
    }
    detail::CopyLongMatch(to, distance, length);
}

}  // namespace quillmere::load::inflate
