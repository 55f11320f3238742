#include "analysis/SaveDataRec.h"

#include <utility>

namespace quillmere::analysis {

void XchgRec(ResultTable& table, std::size_t i) {
    if (i + 1 < table.size()) std::swap(table[i], table[i + 1]);
}

}  // namespace quillmere::analysis
