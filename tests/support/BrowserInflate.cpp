#include "support/BrowserInflate.h"

#include <zlib.h>

#include <array>
#include <stdexcept>

namespace quillmere::testsupport {

std::pair<std::vector<std::uint8_t>, load::InflateOutcome> BrowserInflate(std::span<const std::uint8_t> stream,
                                                                          std::int64_t limit) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) throw std::runtime_error("inflateInit failed");
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = static_cast<uInt>(stream.size());
    std::vector<std::uint8_t> output;
    std::array<std::uint8_t, 65536> chunk{};
    auto outcome = load::InflateOutcome::Damaged;
    for (;;) {
        z.next_out = chunk.data();
        z.avail_out = chunk.size();
        const int rc = inflate(&z, Z_NO_FLUSH);
        output.insert(output.end(), chunk.begin(), chunk.end() - z.avail_out);
        if (std::ssize(output) > limit) {
            outcome = load::InflateOutcome::TooLong;
            break;
        }
        if (rc == Z_STREAM_END) {
            outcome = z.avail_in == 0 ? load::InflateOutcome::Complete : load::InflateOutcome::Damaged;
            break;
        }
        if (rc == Z_BUF_ERROR) {
            outcome = load::InflateOutcome::Cut;
            break;
        }
        if (rc != Z_OK) break;
    }
    inflateEnd(&z);
    return {std::move(output), outcome};
}

}  // namespace quillmere::testsupport
