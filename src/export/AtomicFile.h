#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "load/FileDescriptor.h"

namespace quillmere::exporting {

// Writing an output file failed; what() is the system's text.
class ExportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Keeps the name of a writer's temporary file while that name is on disk, for a program that
// removes the file when it is interrupted.
class TemporaryFileWatch {
public:
    virtual ~TemporaryFileWatch() = default;
    // Runs `step`, which gives a temporary file the name `path` (`named`) or takes that name away
    // (renames or removes the file), and notes the outcome with no interrupt in between. A step
    // that throws notes nothing.
    virtual void change(const std::string& path, bool named, const std::function<void()>& step) = 0;

protected:
    TemporaryFileWatch() = default;
    TemporaryFileWatch(const TemporaryFileWatch&) = default;
    TemporaryFileWatch& operator=(const TemporaryFileWatch&) = default;
};

// How an AtomicFileWriter treats its target and its temporary file.
struct AtomicFileOptions {
    // An existing FIFO or character device (a terminal, /dev/null) is written directly, without a
    // temporary file; otherwise it is refused.
    bool writeStreamsDirectly = false;
    // Told of every name the temporary file has on disk; none when null.
    TemporaryFileWatch* watch = nullptr;
    // An unnamed temporary file where the file system has them (and /proc to name it), which an
    // interrupt cannot leave behind: it gets a name only during commit(). false: a named one from
    // the start, as where there are none.
    bool unnamedTemporary = true;
};

// Writes `bytes` to `path` through a temporary file in the same folder, fsync and a rename, so that
// a failure leaves an existing file untouched; a replaced file keeps its permissions, and a link
// keeps pointing at the new file. Only a regular file is replaced: a pipe, device or socket is
// refused, and so is a read-only file. Temporary files that a killed run left over an hour ago are
// removed. Throws ExportError with the system's text or the reason.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

// The same, written piece by piece: the target is checked and the temporary file made when it is
// constructed, so that a target that cannot be written is refused before any work is done. The
// file replaces the target only at commit(); destroyed before that, it leaves the target untouched
// and no temporary file. With options.writeStreamsDirectly a FIFO or a character device is opened
// at construction (a FIFO waits for its reader) and written as it comes; a folder, a socket and a
// block device are still refused. Every call throws ExportError as WriteFileAtomically does.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(const std::string& path, const AtomicFileOptions& options = {});
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void write(std::string_view bytes);
    void commit();

private:
    enum class Mode { Unnamed, Named, Direct };

    std::string m_target;
    std::string m_folder;
    std::string m_temporaryPath;  // the temporary file's name while it has one on disk
    load::FileDescriptor m_fd;
    Mode m_mode = Mode::Named;
    TemporaryFileWatch* m_watch = nullptr;
    bool m_committed = false;

    // Gives the temporary file a fresh name beside the target with `create`, which makes `path`
    // or returns false with errno set.
    void nameTemporary(const std::function<bool(const std::string& path)>& create);
    // Runs `step` on the temporary file's name as the watch wants it.
    void watched(const std::string& path, bool named, const std::function<void()>& step);
};

}  // namespace quillmere::exporting
