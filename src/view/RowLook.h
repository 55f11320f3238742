#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/SaveRecord.h"
#include "view/Columns.h"
#include "view/Sorting.h"

namespace quillmere::view {

// How a row is tinted: by what stands in the way of its details, else by its flags on the Flags tab.
enum class RowTint { None, NotLoaded, Failed, Blocked, Flagged };

// A row's look in one grid: its tint and the tooltip it shows over every cell (UTF-8).
struct RowLook {
    RowTint tint = RowTint::None;
    std::string toolTip;  // why it shows no details; on the Flags tab, its flags one a line
};

[[nodiscard]] RowLook LookOf(const analysis::SaveRecord& rec, Grid grid);

// The tooltip of one cell: the row's, else in the Reloads grid's Honesty column the verdict's
// explanation, in a flagged row's File Name cell its flags one a line, in the Final column how the
// score was made; empty when there is none.
[[nodiscard]] std::string CellToolTip(const analysis::SaveRecord& rec, Grid grid, std::size_t column);

// What marks one cell beside its row's tint: in the Reloads grid the Honesty cell by its verdict, in
// every grid the File Name cell of a flagged row.
enum class CellMark { None, Fair, Average, Cheat, Flagged };

[[nodiscard]] CellMark MarkOf(const analysis::SaveRecord& rec, Grid grid, std::size_t column);

// A mark's sign, shown before the cell's text so that it reads without its colour ("✓", "!", "✗",
// "⚑", UTF-8); its background colour ("#rrggbb"); and its name as a page's style classes read it
// ("fair", "average", "cheat", "flagged"). All empty for none.
[[nodiscard]] std::string_view MarkSign(CellMark mark);
[[nodiscard]] std::string_view MarkColour(CellMark mark);
[[nodiscard]] std::string_view MarkName(CellMark mark);

// `text` as a cell with `mark` shows it: the sign, a blank, the text; `text` alone without a mark.
[[nodiscard]] std::string MarkedText(CellMark mark, std::string_view text);

// Whether a row needs the referee's eye: a Cheat verdict, a flag, or a save that could not be read.
[[nodiscard]] bool NeedsAttention(const analysis::SaveRecord& rec);

// The caption of the filter that shows only those rows: "Needs attention (3)".
[[nodiscard]] std::string AttentionFilterText(const analysis::ResultTable& table);

// The tint's name, as a page's style classes and scripts read it: "notLoaded", "failed",
// "blocked", "flagged"; empty for none.
[[nodiscard]] std::string_view TintName(RowTint tint);

// What a sort button shows: its key alone, or the order the rows stand in by it.
enum class SortShows { Key, Ascending, Descending };

// What each sort button shows (in SortKey order): the last key clicked shows the order its click
// gave (its direction has flipped since), the others their key.
[[nodiscard]] std::vector<SortShows> SortButtonMarks(std::optional<SortKey> last, const SortDirections& directions);

// A sort button's mark ("•", "▲", "▼") and its tooltip, in UTF-8.
[[nodiscard]] std::string_view SortMarkText(SortShows shows);
[[nodiscard]] std::string_view SortMarkTitle(SortShows shows);

// Which rows the filter `text` leaves shown: those whose file or player name holds it, case ignored
// (Latin and Cyrillic letters alike); every row for a text of blanks only. With `attentionOnly`
// only the rows that need attention among them. `hidden` says how many it hides, `note` says so
// ("1 of 3 rows hidden"; empty when nothing filters).
struct RowFilter {
    std::vector<bool> shown;
    std::size_t hidden = 0;
    std::string note;
};
[[nodiscard]] RowFilter FilterRows(const analysis::ResultTable& table, std::string_view text,
                                   bool attentionOnly = false);

// `text` (UTF-8) with Latin, Latin-1 and Cyrillic capitals made small: for comparing case ignored.
[[nodiscard]] std::string FoldedCase(std::string_view text);

}  // namespace quillmere::view
