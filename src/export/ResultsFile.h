#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "analysis/SaveDataRec.h"
#include "view/CellTexts.h"

namespace quillmere::exporting {

// The results file's bytes: the header line and one line per record, each of 32 cells (Base
// columns 0-11, Reloads 2-11, Additional 2-11) followed by "; ", lines ending CR LF, and the last
// four bytes of the whole text cut. Texts are Windows-1251, written raw.
[[nodiscard]] std::string BuildResultsText(const analysis::ResultTable& table, const view::FormatOptions& options);

// Writing the results file failed; what() is the system's text.
class ExportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes `bytes` to `path` through a temporary file in the same folder, fsync and a rename, so that
// a failure leaves an existing file untouched; a replaced file keeps its permissions, and a link
// keeps pointing at the new file. A device or pipe is written to directly. Throws ExportError.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace quillmere::exporting
