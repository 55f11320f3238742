#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "analysis/SaveRecord.h"

namespace quillmere::tournament {

// The most bytes an encoded record takes (7 series of 1201 turns and the texts of a save come to
// well under it); a packed record that says it is longer is refused before anything is inflated.
inline constexpr std::uint32_t kMostRecordBytes = 4 * 1024 * 1024;

// The record with its histories as the archive keeps it: session::EncodeRecord's bytes, each byte
// from the fifth on less the byte four before it (the histories' int32 series then become small
// differences, which deflate well), deflated. The layout: the 4 bytes "QRZ1", the encoding's length
// as a little-endian uint32, a zlib stream of the differenced bytes.
[[nodiscard]] std::vector<std::uint8_t> PackRecord(const analysis::SaveRecord& record);

// The record PackRecord packed. Throws session::RecordCodecError for anything else: another start,
// a length past kMostRecordBytes, a stream that does not inflate to exactly that length, or bytes
// that do not decode.
[[nodiscard]] analysis::SaveRecord UnpackRecord(std::span<const std::uint8_t> bytes);

}  // namespace quillmere::tournament
