#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "load/StreamInflater.h"

struct libdeflate_decompressor;

namespace quillmere::load {

// Inflates zlib streams, keeping what a worker reuses from one stream to the next.
class Inflater final : public StreamInflater {
public:
    Inflater();
    ~Inflater() override;
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    [[nodiscard]] std::size_t inflate(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out,
                                      std::int64_t fileOffset) override;

private:
    // The one-call fast path; empty when only the step-by-step path can tell what happened.
    std::optional<std::size_t> inflateWhole(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out);
    std::size_t inflateStepwise(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out,
                                std::int64_t fileOffset);

    libdeflate_decompressor* m_decompressor;
};

}  // namespace quillmere::load
