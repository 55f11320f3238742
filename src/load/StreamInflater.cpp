#include "load/StreamInflater.h"

#include "load/PortableInflater.h"

#include <algorithm>
#include <string>

namespace quillmere::load {

StreamCutShort StreamStopsError(std::int64_t endOffset) {
    return StreamCutShort("damaged save: the game data stops before its end, at byte " + std::to_string(endOffset));
}

LoadError StreamTooLongError(std::size_t declared) {
    return LoadError("damaged save: the game data is far longer than its header says (over " +
                     std::to_string(kMaxSurplusBytes / (1024 * 1024)) + " MiB more than the " +
                     std::to_string(declared) + " bytes it declares)");
}

std::size_t InflatedStream::inflate(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out,
                                    std::int64_t fileOffset) {
    // Past the limit the desktop stops before it could tell a cut or damaged stream.
    if (m_outcome == InflateOutcome::TooLong ||
        m_output.size() - std::min(m_output.size(), out.size()) > static_cast<std::size_t>(kMaxSurplusBytes)) {
        throw StreamTooLongError(out.size());
    }
    if (m_outcome == InflateOutcome::Cut || m_outcome == InflateOutcome::Damaged) {
        // A browser only says that a stream failed; the desktop says why and where, and takes a
        // stream whole that has bytes after its end.
        return PortableInflater().inflate(stream, out, fileOffset);
    }
    const std::size_t kept = std::min(m_output.size(), out.size());
    std::copy_n(m_output.begin(), kept, out.begin());
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(kept), out.end(), std::uint8_t{0});
    // A stream the browser took whole ends with the input: a browser refuses bytes after its end.
    return stream.size();
}

}  // namespace quillmere::load
