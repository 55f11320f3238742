#pragma once

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

// Writes `bytes` to `path` through a temporary file in the same folder, fsync and a rename, so that
// a failure leaves an existing file untouched; a replaced file keeps its permissions, and a link
// keeps pointing at the new file. Only a regular file is replaced: a pipe, device or socket is
// refused, and so is a read-only file. Temporary files that a killed run left over an hour ago are
// removed. Throws ExportError with the system's text or the reason.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

// The same, written piece by piece: the target is checked and the temporary file made when it is
// constructed, so that a target that cannot be written is refused before any work is done. The
// file replaces the target only at commit(); destroyed before that, it leaves the target untouched.
// Every call throws ExportError as WriteFileAtomically does.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(const std::string& path);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void write(std::string_view bytes);
    void commit();

private:
    std::string m_target;
    std::string m_folder;
    std::string m_temporaryPath;
    load::FileDescriptor m_fd;
    bool m_committed = false;
};

}  // namespace quillmere::exporting
