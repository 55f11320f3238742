#include "load/inflate/ZlibInflater.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <limits>
#include <new>
#include <string>

namespace quillmere::load::inflate {

namespace {

// Ends the zlib state on every path out.
class ZlibStream {
public:
    ZlibStream() {
        if (inflateInit(&m_z) != Z_OK) throw std::bad_alloc();
    }
    ~ZlibStream() { inflateEnd(&m_z); }
    ZlibStream(const ZlibStream&) = delete;
    ZlibStream& operator=(const ZlibStream&) = delete;

    z_stream& z() { return m_z; }

private:
    z_stream m_z{};
};

}  // namespace

std::size_t ZlibInflater::inflate(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out,
                                  std::int64_t fileOffset) {
    ZlibStream state;
    z_stream& z = state.z();
    z.next_in = const_cast<Bytef*>(stream.data());
    std::size_t inputLeft = stream.size();
    std::size_t produced = 0;
    std::int64_t surplus = 0;
    std::array<std::uint8_t, 65536> overflow{};  // takes what lies past the expected length

    constexpr std::size_t kChunk = std::numeric_limits<uInt>::max();
    for (;;) {
        if (z.avail_in == 0 && inputLeft > 0) {
            z.avail_in = static_cast<uInt>(std::min(inputLeft, kChunk));
            inputLeft -= z.avail_in;
        }
        const bool intoOutput = produced < out.size();
        if (intoOutput) {
            z.next_out = out.data() + produced;
            z.avail_out = static_cast<uInt>(std::min(out.size() - produced, kChunk));
        } else {
            z.next_out = overflow.data();
            z.avail_out = static_cast<uInt>(overflow.size());
        }
        const uInt before = z.avail_out;
        const int rc = ::inflate(&z, Z_NO_FLUSH);
        if (intoOutput) {
            produced += before - z.avail_out;
        } else {
            surplus += before - z.avail_out;
        }
        if (surplus > kMaxSurplusBytes) {
            throw StreamTooLongError(out.size());
        }
        if (rc == Z_STREAM_END) break;
        if (rc == Z_OK) continue;  // progress made, the stream goes on
        const std::int64_t offset = fileOffset + static_cast<std::int64_t>(stream.size() - inputLeft - z.avail_in);
        if (rc == Z_MEM_ERROR) throw std::bad_alloc();
        // With room to write, no progress means the input is all used up.
        if (rc == Z_BUF_ERROR) throw StreamStopsError(offset);
        // Z_DATA_ERROR, Z_NEED_DICT, and Z_STREAM_ERROR should the state ever be damaged.
        throw StreamDamagedError(z.msg, offset);
    }
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(produced), out.end(), std::uint8_t{0});
    return stream.size() - inputLeft - z.avail_in;
}

}  // namespace quillmere::load::inflate
