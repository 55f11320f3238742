#include "tournament/RecordBlob.h"

#include <zlib.h>

#include <algorithm>
#include <new>
#include <string_view>

#include "session/RecordCodec.h"

namespace quillmere::tournament {

namespace {

constexpr std::string_view kMagic = "QRZ1";
constexpr std::size_t kHeaderBytes = 8;
constexpr std::size_t kStride = 4;  // the width of the histories' values

[[noreturn]] void refuse(const std::string& what) { throw session::RecordCodecError("not a packed record: " + what); }

}  // namespace

std::vector<std::uint8_t> PackRecord(const analysis::SaveRecord& record) {
    auto encoded = session::EncodeRecord(record);
    for (std::size_t i = encoded.size(); i-- > kStride;)
        encoded[i] = static_cast<std::uint8_t>(encoded[i] - encoded[i - kStride]);
    std::vector<std::uint8_t> packed(kHeaderBytes + compressBound(static_cast<uLong>(encoded.size())));
    std::copy(kMagic.begin(), kMagic.end(), packed.begin());
    for (std::size_t i = 0; i < 4; ++i) packed[4 + i] = static_cast<std::uint8_t>(encoded.size() >> (8 * i));
    uLongf length = static_cast<uLongf>(packed.size() - kHeaderBytes);
    if (compress2(packed.data() + kHeaderBytes, &length, encoded.data(), static_cast<uLong>(encoded.size()),
                  Z_BEST_SPEED) != Z_OK) {
        throw std::bad_alloc();  // compress2 fails only for want of memory with a buffer of compressBound
    }
    packed.resize(kHeaderBytes + length);
    return packed;
}

analysis::SaveRecord UnpackRecord(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kHeaderBytes || !std::equal(kMagic.begin(), kMagic.end(), bytes.begin())) refuse("wrong start");
    std::uint32_t length = 0;
    for (std::size_t i = 0; i < 4; ++i) length |= static_cast<std::uint32_t>(bytes[4 + i]) << (8 * i);
    if (length > kMostRecordBytes) refuse("a length of " + std::to_string(length) + " bytes");
    std::vector<std::uint8_t> encoded(length);
    uLongf inflated = length;
    uLong consumed = static_cast<uLong>(bytes.size() - kHeaderBytes);
    const int rc = uncompress2(encoded.data(), &inflated, bytes.data() + kHeaderBytes, &consumed);
    if (rc != Z_OK || inflated != length || consumed != bytes.size() - kHeaderBytes)
        refuse("the stream does not inflate to its length (" + std::string(zError(rc)) + ")");
    for (std::size_t i = kStride; i < encoded.size(); ++i)
        encoded[i] = static_cast<std::uint8_t>(encoded[i] + encoded[i - kStride]);
    return session::DecodeRecord(encoded);
}

}  // namespace quillmere::tournament
