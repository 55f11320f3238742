#include "load/StreamInflater.h"

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
    switch (m_outcome) {
        case InflateOutcome::Cut:
            // The desktop's inflate takes every byte before it finds that none is left.
            throw StreamStopsError(fileOffset + static_cast<std::int64_t>(stream.size()));
        case InflateOutcome::Damaged:
            throw LoadError("damaged save: the game data does not inflate (invalid or corrupt data)");
        case InflateOutcome::Complete:
        case InflateOutcome::TooLong:
            break;
    }
    const std::size_t kept = std::min(m_output.size(), out.size());
    std::copy_n(m_output.begin(), kept, out.begin());
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(kept), out.end(), std::uint8_t{0});
    // A stream the browser took whole ends with the input: a browser refuses bytes after its end.
    return stream.size();
}

}  // namespace quillmere::load
