#include "export/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>

#include "load/FileDescriptor.h"

namespace quillmere::exporting {

namespace {

ExportError systemError(int error) { return ExportError(std::strerror(error)); }

// Removes the temporary file unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string path) : m_path(std::move(path)) {}
    ~TemporaryFile() {
        if (!m_kept) ::unlink(m_path.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    [[nodiscard]] const std::string& path() const { return m_path; }
    void keep() { m_kept = true; }

private:
    std::string m_path;
    bool m_kept = false;
};

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

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
    std::string target = path;
    struct stat existing {};
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        // A device or pipe cannot be replaced, only written to (and a folder fails here).
        load::FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
        if (!fd.valid()) throw systemError(errno);
        writeAll(fd.get(), bytes);
        if (!fd.close()) throw systemError(errno);
        return;
    }
    // Through a link, replace the file it points to and keep the link.
    if (exists) {
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }

    std::random_device random;
    load::FileDescriptor fd;
    std::string temporaryPath;
    for (int attempt = 0; !fd.valid(); ++attempt) {
        // A short name of its own, so that the longest target name a folder allows still works.
        temporaryPath = folderOf(target) + "/.quillmere-" + std::to_string(random() % 1'000'000) + ".tmp";
        fd = load::FileDescriptor(::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!fd.valid() && (errno != EEXIST || attempt == 10)) throw systemError(errno);
    }
    TemporaryFile temporary(temporaryPath);
    // A file that is replaced keeps its permissions.
    if (exists) (void)::fchmod(fd.get(), existing.st_mode & 07777);
    writeAll(fd.get(), bytes);
    if (::fsync(fd.get()) != 0) throw systemError(errno);
    if (!fd.close()) throw systemError(errno);
    if (::rename(temporary.path().c_str(), target.c_str()) != 0) throw systemError(errno);
    temporary.keep();

    // Make the rename itself durable; the new file is in place whether or not this succeeds.
    const load::FileDescriptor folder(::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid()) (void)::fsync(folder.get());
}

}  // namespace quillmere::exporting
