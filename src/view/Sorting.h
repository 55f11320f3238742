#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "analysis/SaveRecord.h"
#include "view/Columns.h"

namespace quillmere::view {

enum class SortKey { FileName, Turn, Score, FinalScore };

// The Base grid column that a sort key's button stands over.
[[nodiscard]] BaseColumn BaseColumnOf(SortKey key);

// The key of the sort button that stands for a grid column (the file name in every grid; turn,
// score and final score in the Base grid), if any.
[[nodiscard]] std::optional<SortKey> ButtonKeyOf(Grid grid, int column);

// Orders the table by column `column` of `grid`, stably, by the records' values rather than the
// texts shown: numbers, times, dates and years by value, before texts, which compare with case
// ignored, a record without the value (a blank cell) first among them. Failed, blocked and
// not-loaded records go last, in their order, whichever the direction. A column outside the grid
// leaves the table as it is.
void SortByColumn(analysis::ResultTable& table, Grid grid, int column, bool ascending);

// Each record's place in the order SortByColumn gives, as a rank: equal values share one, so that
// a stable sort by the ranks in either direction orders the rows as SortByColumn does. Empty for
// the records that SortByColumn puts last (and for a column outside the grid, every record).
[[nodiscard]] std::vector<std::optional<std::size_t>> ColumnRanks(const analysis::ResultTable& table, Grid grid,
                                                                  std::size_t column);

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
