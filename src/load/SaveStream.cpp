#include "load/SaveStream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "load/LoadError.h"

namespace quillmere::load {

namespace {

constexpr std::size_t kFirstRead = std::size_t{1} << 20;

}  // namespace

StreamedSave ReadSaveStream(int fd, std::int64_t most) {
    StreamedSave save;
    struct stat info {};
    // One byte past the bound tells a stream that is too long from one that just fits.
    const auto past = static_cast<std::size_t>(most) + 1;
    std::size_t size = std::min(kFirstRead, past);
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        if (info.st_size > most) throw LoadError(TooLargeMessage(static_cast<std::int64_t>(info.st_size), most));
        save.modified = info.st_mtime;
        // Its size and a byte to see it end; a file that grows meanwhile grows the buffer.
        size = static_cast<std::size_t>(info.st_size) + 1;
    }
    save.bytes.resize(size);
    std::size_t got = 0;
    for (;;) {
        if (got == save.bytes.size()) {
            if (got == past) throw LoadError(TooLongStreamMessage(most));
            save.bytes.resize(std::min(past, got * 2));
        }
        const ssize_t n = ::read(fd, save.bytes.data() + got, save.bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw LoadError(std::strerror(errno));
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    save.bytes.resize(got);
    return save;
}

std::string TooLongStreamMessage(std::int64_t most) {
    return "not a save file: more bytes than any save holds (" + std::to_string(most / (1024 * 1024)) + " MiB)";
}

}  // namespace quillmere::load
