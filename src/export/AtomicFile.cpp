#include "export/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <random>
#include <string>

#include "load/FileDescriptor.h"

namespace quillmere::exporting {

namespace {

ExportError systemError(int error) { return ExportError(std::strerror(error)); }

constexpr std::string_view kTemporaryPrefix = ".quillmere-";
constexpr std::string_view kTemporarySuffix = ".tmp";
// A temporary file this old was left by a run that was killed: no write takes that long.
constexpr std::time_t kStaleSeconds = 3600;

// Removes the temporary files that killed runs left in `folder`.
void removeStaleTemporaries(const std::string& folder) {
    const std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(folder.c_str()), &::closedir);
    if (!listing) return;
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(listing.get())) {
        const std::string_view name = entry->d_name;
        if (!name.starts_with(kTemporaryPrefix) || !name.ends_with(kTemporarySuffix)) continue;
        const std::string path = folder + "/" + std::string(name);
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && now - info.st_mtime > kStaleSeconds) {
            (void)::unlink(path.c_str());
        }
    }
}

std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            throw systemError(errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(const std::string& path) : m_target(path) {
    struct stat existing {};
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists) {
        // Only a regular file is replaced: a pipe or a device would block or lose the results, a
        // read-only file was made so to keep it.
        if (!S_ISREG(existing.st_mode)) {
            throw ExportError(S_ISDIR(existing.st_mode) ? "Is a directory"
                                                        : "not a regular file (a pipe, device or socket)");
        }
        const bool writable =
            (existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 && ::access(path.c_str(), W_OK) == 0;
        if (!writable) throw ExportError("the file is read-only");
        // Through a link, replace the file it points to and keep the link.
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            m_target = resolved;
            std::free(resolved);
        }
    }
    m_folder = folderOf(m_target);
    removeStaleTemporaries(m_folder);

    std::random_device random;
    for (int attempt = 0; !m_fd.valid(); ++attempt) {
        // A short name of its own, so that the longest target name a folder allows still works.
        m_temporaryPath = m_folder + "/" + std::string(kTemporaryPrefix) + std::to_string(random() % 1'000'000) +
                          std::string(kTemporarySuffix);
        m_fd = load::FileDescriptor(::open(m_temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!m_fd.valid() && (errno != EEXIST || attempt == 10)) throw systemError(errno);
    }
    // A file that is replaced keeps its permissions.
    if (exists) (void)::fchmod(m_fd.get(), existing.st_mode & 07777);
}

AtomicFileWriter::~AtomicFileWriter() {
    if (!m_committed) ::unlink(m_temporaryPath.c_str());
}

void AtomicFileWriter::write(std::string_view bytes) {
    if (m_committed) throw ExportError("the file is already written");
    writeAll(m_fd.get(), bytes);
}

void AtomicFileWriter::commit() {
    if (m_committed) return;
    if (::fsync(m_fd.get()) != 0) throw systemError(errno);
    if (!m_fd.close()) throw systemError(errno);
    if (::rename(m_temporaryPath.c_str(), m_target.c_str()) != 0) throw systemError(errno);
    m_committed = true;

    // Make the rename itself durable; the new file is in place whether or not this succeeds.
    const load::FileDescriptor folderFd(::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd.valid()) (void)::fsync(folderFd.get());
}

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
    AtomicFileWriter file(path);
    file.write(bytes);
    file.commit();
}

}  // namespace quillmere::exporting
