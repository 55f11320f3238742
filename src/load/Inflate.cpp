#include "load/Inflate.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <limits>

#include "load/LoadError.h"

namespace quillmere::load {

namespace {

// Ends the inflate state on every path out.
class InflateStream {
public:
    InflateStream() {
        const int rc = inflateInit(&m_z);
        if (rc != Z_OK) throw LoadError(zError(rc));
    }
    ~InflateStream() { inflateEnd(&m_z); }
    InflateStream(const InflateStream&) = delete;
    InflateStream& operator=(const InflateStream&) = delete;

    z_stream& z() { return m_z; }

private:
    z_stream m_z{};
};

}  // namespace

void Inflate(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out) {
    InflateStream state;
    z_stream& z = state.z();
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = 0;
    std::size_t inputLeft = stream.size();
    std::size_t produced = 0;
    std::array<std::uint8_t, 16384> overflow{};  // takes what lies past the expected length

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
        const int rc = inflate(&z, Z_NO_FLUSH);
        if (intoOutput) produced += before - z.avail_out;
        if (rc == Z_STREAM_END) break;
        if (rc != Z_OK) throw LoadError(zError(rc));
    }
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(produced), out.end(), std::uint8_t{0});
}

}  // namespace quillmere::load
