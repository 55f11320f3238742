#pragma once

#include <cstddef>
#include <cstdint>

namespace quillmere::load::inflate {

// Which instructions sum: the widest the processor has, or those every build has (for tests).
enum class AdlerPath { Widest, Portable };

// The Adler-32 checksum (RFC 1950) of the bytes added so far, added in pieces of any size.
class Adler32 {
public:
    explicit Adler32(AdlerPath path = AdlerPath::Widest);
    void add(const std::uint8_t* bytes, std::size_t count);
    [[nodiscard]] std::uint32_t value() const { return m_b << 16 | m_a; }

private:
    std::uint32_t m_a = 1;
    std::uint32_t m_b = 0;
    bool m_wide = false;
};

}  // namespace quillmere::load::inflate
