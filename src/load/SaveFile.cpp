#include "load/SaveFile.h"

#include <sys/stat.h>

#include <chrono>
#include <ctime>

#include "load/DateTime.h"
#include "load/LoadError.h"

namespace quillmere::load {

namespace {

std::size_t lastSeparator(std::string_view path) { return path.find_last_of("/\\"); }

std::string_view kindOf(mode_t type) {
    switch (type) {
        case S_IFDIR:
            return "a folder";
        case S_IFIFO:
            return "a named pipe (FIFO)";
        case S_IFSOCK:
            return "a socket";
        case S_IFCHR:
        case S_IFBLK:
            return "a device";
        default:
            return "not a regular file";
    }
}

ReadOnlyFile openSave(const std::string& path) {
    try {
        return ReadOnlyFile(path);
    } catch (const LoadError&) {
        // A socket cannot be opened at all ("No such device or address"): say what it is instead.
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode)) throw LoadError("not a save file: a socket");
        throw;
    }
}

}  // namespace

SaveFile::SaveFile(const std::string& path) : m_file(openSave(path)) {}

FileBytes SaveFile::contents() const {
    const mode_t type = m_file.status().st_mode & S_IFMT;
    if (type != S_IFREG) throw LoadError("not a save file: " + std::string(kindOf(type)));
    const auto size = static_cast<std::int64_t>(m_file.status().st_size);
    if (size > kMaxSaveFileBytes) throw LoadError(TooLargeMessage(size));
    return FileBytes(m_file, size);
}

void FileBytes::copyTo(std::int64_t offset, std::span<std::uint8_t> out) const {
    const std::size_t got = m_file->readAt(offset, out);
    if (got < out.size()) {
        throw LoadError("the file changed while it was read: it now ends at byte " +
                        std::to_string(offset + static_cast<std::int64_t>(got)) + ", not " + std::to_string(m_size));
    }
}

std::span<const std::uint8_t> FileBytes::view(std::int64_t offset, std::size_t length, ByteBuffer& scratch) const {
    scratch.sizeForOverwrite(length);
    copyTo(offset, scratch);
    return scratch;
}

std::optional<double> SaveFile::modificationDate() const { return LocalFileDate(m_file.status().st_mtime); }

std::int32_t SaveFile::modificationUtcOffset() const { return LocalUtcOffset(m_file.status().st_mtime); }

std::string TooLargeMessage(std::int64_t size, std::int64_t most) {
    return "not a save file: " + std::to_string(size) + " bytes, more than any save holds (" +
           std::to_string(most / (1024 * 1024)) + " MiB)";
}

std::optional<double> LocalFileDate(std::time_t seconds) {
    std::tm local{};
    if (::localtime_r(&seconds, &local) == nullptr) return std::nullopt;

    using namespace std::chrono;
    const year_month_day date{year{local.tm_year + 1900}, month{static_cast<unsigned>(local.tm_mon + 1)},
                              day{static_cast<unsigned>(local.tm_mday)}};
    const auto days = DayNumberOf(date);
    const int evenSeconds = local.tm_sec - local.tm_sec % 2;  // file-system dates keep two-second steps
    const int secondOfDay = local.tm_hour * 3600 + local.tm_min * 60 + std::min(evenSeconds, 58);
    return static_cast<double>(days) + secondOfDay / 86400.0;
}

std::int32_t LocalUtcOffset(std::time_t seconds) {
    std::tm local{};
    if (::localtime_r(&seconds, &local) == nullptr) return 0;
    return static_cast<std::int32_t>(local.tm_gmtoff);
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
