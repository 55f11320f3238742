#include "load/StreamInflater.h"

#include <string>

namespace quillmere::load {

StreamCutShort StreamStopsError(std::int64_t endOffset) {
    return StreamCutShort("damaged save: the game data stops before its end, at byte " + std::to_string(endOffset));
}

LoadError StreamDamagedError(const char* reason, std::int64_t offset) {
    return LoadError("damaged save: the game data does not inflate (" +
                     std::string(reason != nullptr ? reason : "data error") + ", at byte " + std::to_string(offset) +
                     ")");
}

LoadError StreamTooLongError(std::size_t declared) {
    return LoadError("damaged save: the game data is far longer than its header says (over " +
                     std::to_string(kMaxSurplusBytes / (1024 * 1024)) + " MiB more than the " +
                     std::to_string(declared) + " bytes it declares)");
}

}  // namespace quillmere::load
