#include "fuzz/InflateFuzzTarget.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>

#include "load/LoadError.h"
#include "load/inflate/ExactInflate.h"
#include "load/inflate/FastInflate.h"
#include "load/inflate/PortableInflater.h"
#include "load/inflate/ZlibInflater.h"

namespace quillmere::fuzz {

namespace {

constexpr std::size_t kMaxOutputBytes = std::size_t{1} << 17;
constexpr std::int64_t kFileOffset = 1000;

void require(bool invariant) {
    if (!invariant) std::abort();
}

// "ok", the bytes taken and the output; or the message.
template <typename Inflate>
std::string outcomeOf(std::size_t outputBytes, Inflate inflate) {
    std::vector<std::uint8_t> out(outputBytes, 0xA5);
    try {
        const std::size_t taken = inflate(std::span<std::uint8_t>(out));
        return "ok " + std::to_string(taken) + " " + std::string(out.begin(), out.end());
    } catch (const load::LoadError& e) {
        return e.what();
    }
}

}  // namespace

std::vector<std::uint8_t> InflateInput(std::size_t outputBytes, std::span<const std::uint8_t> stream) {
    std::vector<std::uint8_t> input(3 + stream.size());
    for (std::size_t i = 0; i < 3; ++i) input[i] = static_cast<std::uint8_t>(outputBytes >> (8 * i));
    std::copy(stream.begin(), stream.end(), input.begin() + 3);
    return input;
}

int FuzzInflateInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const std::size_t outputBytes = (data[0] | data[1] << 8 | std::size_t{data[2]} << 16) % (kMaxOutputBytes + 1);
    const std::span<const std::uint8_t> stream(data + 3, size - 3);

    const std::string zlib = outcomeOf(outputBytes, [&](std::span<std::uint8_t> out) {
        return load::inflate::ZlibInflater().inflate(stream, out, kFileOffset);
    });
    const std::string portable = outcomeOf(outputBytes, [&](std::span<std::uint8_t> out) {
        return load::inflate::PortableInflater().inflate(stream, out, kFileOffset);
    });
    require(portable == zlib);
    const std::string exact = outcomeOf(outputBytes, [&](std::span<std::uint8_t> out) {
        return load::inflate::InflateExactly(stream, out, kFileOffset);
    });
    require(exact == zlib);
    bool gaveUp = false;
    const std::string fast = outcomeOf(outputBytes, [&](std::span<std::uint8_t> out) -> std::size_t {
        const std::optional<std::size_t> taken = load::inflate::InflateWhole(stream, out);
        gaveUp = !taken.has_value();
        return taken.value_or(0);
    });
    // The fast inflate gives up only on what zlib refuses; what it takes, it takes as zlib does.
    require(gaveUp ? !zlib.starts_with("ok") : fast == zlib);
    return 0;
}

}  // namespace quillmere::fuzz

#ifdef QUILLMERE_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return quillmere::fuzz::FuzzInflateInput(data, size);
}
#endif
