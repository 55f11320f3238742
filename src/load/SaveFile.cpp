#include "load/SaveFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

#include "load/DateTime.h"
#include "load/FileDescriptor.h"
#include "load/LoadError.h"

namespace quillmere::load {

namespace {

LoadError systemError(int error) { return LoadError(std::strerror(error)); }

std::size_t lastSeparator(std::string_view path) { return path.find_last_of("/\\"); }

}  // namespace

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) throw systemError(errno);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) throw systemError(errno);
    if (S_ISDIR(info.st_mode)) throw systemError(EISDIR);

    std::vector<std::uint8_t> bytes;
    if (S_ISREG(info.st_mode)) bytes.reserve(static_cast<std::size_t>(info.st_size));
    std::uint8_t chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw systemError(errno);
        }
        if (got == 0) break;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return bytes;
}

std::optional<double> FileModificationDate(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    std::tm local{};
    const std::time_t seconds = info.st_mtime;
    if (::localtime_r(&seconds, &local) == nullptr) return std::nullopt;

    using namespace std::chrono;
    const year_month_day date{year{local.tm_year + 1900}, month{static_cast<unsigned>(local.tm_mon + 1)},
                              day{static_cast<unsigned>(local.tm_mday)}};
    const auto days = DayNumberOf(date);
    const int evenSeconds = local.tm_sec - local.tm_sec % 2;  // file-system dates keep two-second steps
    const int secondOfDay = local.tm_hour * 3600 + local.tm_min * 60 + std::min(evenSeconds, 58);
    return static_cast<double>(days) + secondOfDay / 86400.0;
}

std::string FileNameOf(std::string_view path) {
    const auto sep = lastSeparator(path);
    std::string_view name = sep == std::string_view::npos ? path : path.substr(sep + 1);
    if (const auto dot = name.rfind('.'); dot != std::string_view::npos) name = name.substr(0, dot);
    return std::string(name);
}

std::string FolderOf(std::string_view path) {
    const auto sep = lastSeparator(path);
    if (sep == std::string_view::npos) return {};
    return sep == 0 ? std::string(path.substr(0, 1)) : std::string(path.substr(0, sep));
}

}  // namespace quillmere::load
