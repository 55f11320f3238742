#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace quillmere::load {

// Bytes whose size is set without zero-filling them, so that a buffer about to be overwritten
// costs nothing to size, and whose storage is kept from one file to the next.
class ByteBuffer {
public:
    ByteBuffer() = default;
    ByteBuffer(std::span<const std::uint8_t> bytes) { assign(bytes); }  // NOLINT: a copy of bytes
    ByteBuffer(ByteBuffer&&) noexcept = default;
    ByteBuffer& operator=(ByteBuffer&&) noexcept = default;
    ByteBuffer(const ByteBuffer& other) { assign(other); }
    ByteBuffer& operator=(const ByteBuffer& other) {
        if (this != &other) assign(other);
        return *this;
    }

    // Sets the size of a buffer whose every byte the caller is about to write: the bytes it holds
    // afterwards are unspecified, old ones included. Storage grown holds an eighth more, so that a
    // batch of files of about one size allocates once (a new allocation is new pages, each mapped
    // and cleared by the system when first written); pages never written cost no memory.
    void sizeForOverwrite(std::size_t size) {
        if (size > m_capacity) {
            m_bytes.reset();  // the old storage goes first, so that the two never add up
            const std::size_t capacity = size + size / 8;
            // Default-initialised, as make_unique_for_overwrite would (which not every library has).
            m_bytes.reset(new std::uint8_t[capacity]);
            m_capacity = capacity;
        }
        m_size = size;
    }
    // Drops the bytes from `size` on; the others stay.
    void shrink(std::size_t size) {
        if (size < m_size) m_size = size;
    }
    void assign(std::span<const std::uint8_t> bytes) {
        sizeForOverwrite(bytes.size());
        if (!bytes.empty()) std::copy(bytes.begin(), bytes.end(), m_bytes.get());
    }
    void clear() { m_size = 0; }
    // Gives the storage back: the buffer is empty and holds nothing.
    void release() {
        m_bytes.reset();
        m_size = 0;
        m_capacity = 0;
    }

    [[nodiscard]] std::uint8_t* data() { return m_bytes.get(); }
    [[nodiscard]] const std::uint8_t* data() const { return m_bytes.get(); }
    [[nodiscard]] std::size_t size() const { return m_size; }
    [[nodiscard]] bool empty() const { return m_size == 0; }
    // The bytes of storage held, which a later size up to it reuses.
    [[nodiscard]] std::size_t capacity() const { return m_capacity; }
    [[nodiscard]] std::uint8_t& operator[](std::size_t i) { return m_bytes[i]; }
    [[nodiscard]] std::uint8_t operator[](std::size_t i) const { return m_bytes[i]; }
    [[nodiscard]] std::uint8_t* begin() { return data(); }
    [[nodiscard]] std::uint8_t* end() { return data() + m_size; }
    [[nodiscard]] const std::uint8_t* begin() const { return data(); }
    [[nodiscard]] const std::uint8_t* end() const { return data() + m_size; }

private:
    std::unique_ptr<std::uint8_t[]> m_bytes;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

}  // namespace quillmere::load
