#pragma once

#include <string_view>

#include "analysis/SaveRecord.h"

namespace quillmere::view {

enum class SortKey { FileName, Turn, Score, FinalScore };

// Orders the table by `key`, stably: records with equal keys keep their order. File names compare
// in Windows-1251 with case ignored.
void SortRecords(analysis::ResultTable& table, SortKey key, bool ascending);

// Three-way comparison of two Windows-1251 file names, case ignored: <0, 0 or >0.
[[nodiscard]] int CompareFileNames(std::string_view a, std::string_view b);

// The direction each key sorts in on its next click; a click sorts, then flips its own flag.
struct SortDirections {
    bool fileName = true;
    bool turn = true;
    bool score = false;
    bool finalScore = false;

    [[nodiscard]] bool& of(SortKey key);
    [[nodiscard]] bool of(SortKey key) const { return const_cast<SortDirections&>(*this).of(key); }
};

// One click of a sort button: sorts by `key` in its current direction, then flips that direction.
void SortClick(analysis::ResultTable& table, SortDirections& directions, SortKey key);

}  // namespace quillmere::view
