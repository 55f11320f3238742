#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

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

}  // namespace quillmere::exporting
