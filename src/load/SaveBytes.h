#pragma once

#include <algorithm>
#include <cstdint>
#include <span>

#include "load/ByteBuffer.h"

namespace quillmere::load {

// The bytes of one save, wherever they are: in memory, or in a file read only where asked, so
// that a load never holds the whole file next to its work data.
class SaveBytes {
public:
    virtual ~SaveBytes() = default;

    [[nodiscard]] virtual std::int64_t size() const = 0;
    // Copies the bytes from `offset` into all of `out`; the range must lie within size().
    // Throws LoadError when they cannot be read.
    virtual void copyTo(std::int64_t offset, std::span<std::uint8_t> out) const = 0;
    // The `length` bytes from `offset` (within size()): where they lie when in memory, otherwise
    // read into `scratch`, which the result then points into. Throws LoadError as copyTo.
    [[nodiscard]] virtual std::span<const std::uint8_t> view(std::int64_t offset, std::size_t length,
                                                             ByteBuffer& scratch) const = 0;

protected:
    SaveBytes() = default;
    SaveBytes(const SaveBytes&) = default;
    SaveBytes& operator=(const SaveBytes&) = default;
};

// Bytes already in memory; they must outlive the object. Views never copy.
class MemoryBytes final : public SaveBytes {
public:
    explicit MemoryBytes(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    [[nodiscard]] std::int64_t size() const override { return static_cast<std::int64_t>(m_bytes.size()); }
    void copyTo(std::int64_t offset, std::span<std::uint8_t> out) const override {
        const auto from = m_bytes.subspan(static_cast<std::size_t>(offset), out.size());
        std::copy(from.begin(), from.end(), out.begin());
    }
    [[nodiscard]] std::span<const std::uint8_t> view(std::int64_t offset, std::size_t length,
                                                     ByteBuffer& /*scratch*/) const override {
        return m_bytes.subspan(static_cast<std::size_t>(offset), length);
    }

private:
    std::span<const std::uint8_t> m_bytes;
};

}  // namespace quillmere::load
