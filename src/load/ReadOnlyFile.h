#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "load/FileDescriptor.h"

namespace quillmere::load {

// One file opened read-only without waiting: a FIFO without a writer does not block, a terminal
// does not become the controlling one. Its status is the one it had when it was opened.
class ReadOnlyFile {
public:
    // Throws LoadError with the system's text ("No such file or directory"...).
    explicit ReadOnlyFile(const std::string& path);

    [[nodiscard]] const struct stat& status() const { return m_status; }
    [[nodiscard]] bool isRegular() const { return S_ISREG(m_status.st_mode); }

    // Reads into `out` from byte `offset` on, going on after an interrupted read. Returns how many
    // bytes were read: fewer than asked only where the file ends. Throws LoadError with the
    // system's text on a read error.
    [[nodiscard]] std::size_t readAt(std::int64_t offset, std::span<std::uint8_t> out) const;

private:
    FileDescriptor m_fd;
    struct stat m_status {};
};

}  // namespace quillmere::load
