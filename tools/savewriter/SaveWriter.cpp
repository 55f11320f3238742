#include "savewriter/SaveWriter.h"

#include <zlib.h>

#include <stdexcept>

namespace quillmere::savewriter {

ByteWriter& ByteWriter::Int(std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    for (int k = 0; k < 4; ++k) m_bytes.push_back(static_cast<std::uint8_t>(u >> (8 * k)));
    return *this;
}

ByteWriter& ByteWriter::Short(std::int16_t value) {
    const auto u = static_cast<std::uint16_t>(value);
    m_bytes.push_back(static_cast<std::uint8_t>(u));
    m_bytes.push_back(static_cast<std::uint8_t>(u >> 8));
    return *this;
}

ByteWriter& ByteWriter::Char(std::uint8_t value) {
    m_bytes.push_back(value);
    return *this;
}

ByteWriter& ByteWriter::Bool(std::uint8_t value) { return Char(value); }

namespace {

// Appends `count` copies of the `width` little-endian bytes of `value`.
void appendCopies(std::vector<std::uint8_t>& bytes, std::size_t count, std::uint32_t value, std::size_t width) {
    const std::size_t start = bytes.size();
    bytes.resize(start + count * width);
    for (std::size_t i = start; i < bytes.size(); i += width) {
        for (std::size_t k = 0; k < width; ++k) bytes[i + k] = static_cast<std::uint8_t>(value >> (8 * k));
    }
}

}  // namespace

ByteWriter& ByteWriter::Ints(std::size_t count, std::int32_t value) {
    appendCopies(m_bytes, count, static_cast<std::uint32_t>(value), 4);
    return *this;
}

ByteWriter& ByteWriter::Shorts(std::size_t count, std::int16_t value) {
    appendCopies(m_bytes, count, static_cast<std::uint16_t>(value), 2);
    return *this;
}

ByteWriter& ByteWriter::Bools(std::size_t count, std::uint8_t value) {
    m_bytes.insert(m_bytes.end(), count, value);
    return *this;
}

ByteWriter& ByteWriter::Str(std::string_view text) {
    Int(static_cast<std::int32_t>(text.size()));
    return Bytes(text);
}

ByteWriter& ByteWriter::UStr(std::string_view text, bool wide) {
    Int(static_cast<std::int32_t>(text.size()));
    for (const char c : text) {
        m_bytes.push_back(static_cast<std::uint8_t>(c));
        if (wide) m_bytes.push_back(0);
    }
    return *this;
}

ByteWriter& ByteWriter::Bytes(std::span<const std::uint8_t> bytes) {
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    return *this;
}

ByteWriter& ByteWriter::Bytes(std::string_view bytes) {
    for (const char c : bytes) m_bytes.push_back(static_cast<std::uint8_t>(c));
    return *this;
}

std::vector<std::uint8_t> Deflate(std::span<const std::uint8_t> data, bool fast) {
    z_stream z{};
    // Raw deflate framed by hand, so that even the fast level carries the 78 9C header.
    if (deflateInit2(&z, fast ? 1 : Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2 failed");
    }
    std::vector<std::uint8_t> out(2 + deflateBound(&z, static_cast<uLong>(data.size())) + 4);
    out[0] = 0x78;
    out[1] = 0x9C;
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data() + 2;
    z.avail_out = static_cast<uInt>(out.size() - 2);
    const int rc = deflate(&z, Z_FINISH);
    const std::size_t written = 2 + z.total_out;
    deflateEnd(&z);
    if (rc != Z_STREAM_END) throw std::runtime_error("deflate failed");
    out.resize(written);
    const uLong adler = adler32(adler32(0, nullptr, 0), data.data(), static_cast<uInt>(data.size()));
    for (int k = 3; k >= 0; --k) out.push_back(static_cast<std::uint8_t>(adler >> (8 * k)));
    return out;
}

std::vector<std::uint8_t> BuildContainer(const Container& container) {
    const auto stream = Deflate(container.gameState, container.fast);
    ByteWriter file;
    file.Bytes(container.header);
    file.Int(container.declaredU.value_or(static_cast<std::int32_t>(container.gameState.size())));
    file.Int(container.declaredC.value_or(static_cast<std::int32_t>(stream.size())));
    file.Bytes(stream);
    file.Bytes(container.trailing);
    return file.take();
}

}  // namespace quillmere::savewriter
