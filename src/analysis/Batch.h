#pragma once

#include <span>
#include <string>

#include "analysis/SaveDataRec.h"

namespace quillmere::analysis {

// Loads one file and walks it. Never throws: when the file cannot be read, has no usable game
// data or is damaged, the record keeps only FileName and FileDate and Failure holds the reason.
// FileName and texts of the record are Windows-1251; `path` is UTF-8 (or already 8-bit).
[[nodiscard]] TSaveDataRec AnalyseFile(const std::string& path);

// AnalyseFile for each path, in the order given.
[[nodiscard]] ResultTable AnalyseFiles(std::span<const std::string> paths);

}  // namespace quillmere::analysis
