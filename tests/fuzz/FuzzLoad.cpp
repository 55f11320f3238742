// libFuzzer entry for the load path. An input starting with "W" is a work buffer (the walk's
// data, its game state right after the first "BODY"), so that mutations reach the walk instead
// of breaking the zlib stream; any other input is a whole save file.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "analysis/SaveWalk.h"
#include "load/Container.h"
#include "load/LoadError.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillmere;
    const std::span bytes(data, size);
    try {
        load::WorkBuffer work;
        if (size > 0 && data[0] == 'W') {
            constexpr std::string_view kBody = "BODY";
            const auto body = std::search(bytes.begin() + 1, bytes.end(), kBody.begin(), kBody.end());
            if (body == bytes.end()) return 0;
            work.bytes.assign(bytes.begin() + 1, bytes.end());
            work.streamOffset = (body - bytes.begin()) - 1 + 4;
        } else {
            work = load::AssembleWorkBuffer(bytes);
        }
        (void)analysis::AnalyseSave(work);
    } catch (const load::LoadError&) {
        // Refusing a file is a result, not a failure.
    }
    return 0;
}
