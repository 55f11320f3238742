#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

#include "analysis/SaveRecord.h"

namespace quillmere::session {

// Bytes that are not a record EncodeRecord wrote; what() says what is wrong and at which byte.
class RecordCodecError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Every field of `rec` as bytes, so that a record made in one place (a browser's worker) can be
// handed to a session elsewhere; DecodeRecord gives back an equal record, long doubles bit for bit.
// The layout: the 4 bytes "QRC2", then the fields; integers little-endian, texts and lists as a
// uint32 count and their items, optionals as a byte 0/1 and the value. "QRC1" records, which end
// before the Final score's inputs, still decode (without them).
[[nodiscard]] std::vector<std::uint8_t> EncodeRecord(const analysis::SaveRecord& rec);

// The record in `bytes`. Throws RecordCodecError for anything else: a wrong start, a count beyond
// the bytes left or a record's bounds (7 history series of 1201 turns), an unknown enumerator, or
// bytes left over.
[[nodiscard]] analysis::SaveRecord DecodeRecord(std::span<const std::uint8_t> bytes);

}  // namespace quillmere::session
