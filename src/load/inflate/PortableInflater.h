#pragma once

#include "load/StreamInflater.h"

namespace quillmere::load::inflate {

// The inflate of every build, in plain C++: to zlib's output, zlib's failure and the byte zlib's
// message names, for every stream. The fast inflate takes a stream that inflates whole; one that
// it gives up on is inflated again, exactly, for zlib's reason.
class PortableInflater final : public StreamInflater {
public:
    std::size_t inflate(std::span<const std::uint8_t> stream, std::span<std::uint8_t> out,
                        std::int64_t fileOffset) override;
};

}  // namespace quillmere::load::inflate
