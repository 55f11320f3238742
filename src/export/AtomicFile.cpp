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
constexpr int kNameAttempts = 10;

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

constexpr const char* kOwnDescriptors = "/proc/self/fd";

// Gives the unnamed file open as `fd` the name `path`, or returns false with errno set. Through the
// descriptor's link in /proc: AT_EMPTY_PATH would need a privilege.
bool linkUnnamed(int fd, const std::string& path) {
    const std::string self = std::string(kOwnDescriptors) + "/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(const std::string& path, const AtomicFileOptions& options)
    : m_target(path), m_watch(options.watch) {
    struct stat existing {};
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists) {
        if (S_ISDIR(existing.st_mode)) throw ExportError("Is a directory");
        // The window refuses a pipe or a device: a pipe would block it, a device lose the results.
        // A command is given one on purpose, and cannot replace it, only write it.
        const bool stream = S_ISFIFO(existing.st_mode) || S_ISCHR(existing.st_mode);
        if (stream && options.writeStreamsDirectly) {
            m_mode = Mode::Direct;
            m_fd = load::FileDescriptor(::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
            if (!m_fd.valid()) throw systemError(errno);
            return;
        }
        if (!S_ISREG(existing.st_mode)) {
            if (!options.writeStreamsDirectly) throw ExportError("not a regular file (a pipe, device or socket)");
            throw ExportError(S_ISSOCK(existing.st_mode) ? "a socket, not a file, pipe or character device"
                                                         : "a block device, not a file, pipe or character device");
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

#ifdef O_TMPFILE
    if (options.unnamedTemporary && ::access(kOwnDescriptors, X_OK) == 0) {
        m_fd = load::FileDescriptor(::open(m_folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
        // These say that the file system or the kernel has no unnamed files; others are the folder's.
        if (!m_fd.valid() && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) throw systemError(errno);
        if (m_fd.valid()) m_mode = Mode::Unnamed;
    }
#endif
    if (m_mode == Mode::Named) {
        nameTemporary([this](const std::string& name) {
            m_fd = load::FileDescriptor(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
            return m_fd.valid();
        });
    }
    // A file that is replaced keeps its permissions.
    if (exists) (void)::fchmod(m_fd.get(), existing.st_mode & 07777);
}

AtomicFileWriter::~AtomicFileWriter() {
    if (m_temporaryPath.empty()) return;
    const auto remove = [this] { (void)::unlink(m_temporaryPath.c_str()); };
    try {
        watched(m_temporaryPath, false, remove);
    } catch (...) {
        remove();
    }
}

void AtomicFileWriter::watched(const std::string& path, bool named, const std::function<void()>& step) {
    if (m_watch != nullptr) {
        m_watch->change(path, named, step);
    } else {
        step();
    }
}

void AtomicFileWriter::nameTemporary(const std::function<bool(const std::string&)>& create) {
    std::random_device random;
    for (int attempt = 1;; ++attempt) {
        // A short name of its own, so that the longest target name a folder allows still works.
        const std::string name = m_folder + "/" + std::string(kTemporaryPrefix) + std::to_string(random() % 1'000'000) +
                                 std::string(kTemporarySuffix);
        int error = 0;
        try {
            // A name that another run holds is never noted as this one's.
            watched(name, true, [&] {
                if (!create(name)) throw systemError(error = errno);
            });
            m_temporaryPath = name;
            return;
        } catch (const ExportError&) {
            if (error != EEXIST || attempt == kNameAttempts) throw;
        }
    }
}

void AtomicFileWriter::write(std::string_view bytes) {
    if (m_committed) throw ExportError("the file is already written");
    writeAll(m_fd.get(), bytes);
}

void AtomicFileWriter::commit() {
    if (m_committed) return;
    if (m_mode == Mode::Direct) {
        if (!m_fd.close()) throw systemError(errno);
        m_committed = true;
        return;
    }
    if (::fsync(m_fd.get()) != 0) throw systemError(errno);
    // rename() cannot move an unnamed file over the target: it gets a name of its own first.
    if (m_mode == Mode::Unnamed)
        nameTemporary([this](const std::string& name) { return linkUnnamed(m_fd.get(), name); });
    if (!m_fd.close()) throw systemError(errno);
    watched(m_temporaryPath, false, [this] {
        if (::rename(m_temporaryPath.c_str(), m_target.c_str()) != 0) throw systemError(errno);
    });
    m_temporaryPath.clear();
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
