#include "load/ReadOnlyFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "load/LoadError.h"

namespace quillmere::load {

ReadOnlyFile::ReadOnlyFile(const std::string& path)
    : m_fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)) {
    if (!m_fd.valid() || ::fstat(m_fd.get(), &m_status) != 0) throw LoadError(std::strerror(errno));
}

std::size_t ReadOnlyFile::readAt(std::int64_t offset, std::span<std::uint8_t> out) const {
    std::size_t got = 0;
    while (got < out.size()) {
        const ssize_t n = ::pread(m_fd.get(), out.data() + got, out.size() - got,
                                  static_cast<off_t>(offset) + static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw LoadError(std::strerror(errno));
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

}  // namespace quillmere::load
