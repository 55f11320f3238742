#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace quillmere::view {

// The result grids. Every grid starts with the row number and the file name.
enum class Grid { Base, Reload, Additional, Flags };

enum class BaseColumn {
    Number,
    FileName,
    NickName,
    Leader,
    Civilization,
    Turn,
    Year,
    PlayTime,
    Score,
    FinalScore,
    Level,
    Victory,
};

enum class ReloadColumn {
    Number,
    FileName,
    FileDate,
    Turn,
    Year,
    PlayTime,
    PlayDays,
    Reloads,
    Percent,
    SessionTime,
    MaxReloads,
    Honesty,
    Penalty,  // never written
};

enum class AdditionalColumn {
    Number,
    FileName,
    Cities,
    Units,
    Techs,
    Land,
    LandPercent,
    Population,
    PopulationPercent,
    Culture1,
    Culture2,
    Culture3,
};

// The checks' findings; no results file holds them.
enum class FlagColumn { Number, FileName, Flags };

template <typename Column>
[[nodiscard]] constexpr std::size_t IndexOf(Column column) {
    return static_cast<std::size_t>(column);
}

// How many columns a grid has: one per enumerator, the last one named here.
template <typename Column>
inline constexpr std::size_t kColumnCount = 0;
template <>
inline constexpr std::size_t kColumnCount<BaseColumn> = IndexOf(BaseColumn::Victory) + 1;
template <>
inline constexpr std::size_t kColumnCount<ReloadColumn> = IndexOf(ReloadColumn::Penalty) + 1;
template <>
inline constexpr std::size_t kColumnCount<AdditionalColumn> = IndexOf(AdditionalColumn::Culture3) + 1;
template <>
inline constexpr std::size_t kColumnCount<FlagColumn> = IndexOf(FlagColumn::Flags) + 1;

// The row number and the file name: the same columns, in the same places, in every grid.
inline constexpr std::size_t kNumberColumn = IndexOf(BaseColumn::Number);
inline constexpr std::size_t kFileNameColumn = IndexOf(BaseColumn::FileName);
inline constexpr std::size_t kSharedColumnCount = kFileNameColumn + 1;
static_assert(IndexOf(ReloadColumn::FileName) == kFileNameColumn &&
              IndexOf(AdditionalColumn::FileName) == kFileNameColumn &&
              IndexOf(FlagColumn::FileName) == kFileNameColumn);

inline constexpr std::string_view kNumeroSign = "\xB9";  // Windows-1251 byte of the numero sign

// One column of a result grid: its caption (Windows-1251), its width in pixels at start-up,
// whether its texts are numbers (right-aligned on screen and in the page), and its help (UTF-8).
struct ColumnSpec {
    std::string_view caption;
    int width;
    bool numeric = false;
    std::string_view help;  // what the column means and how it is worked out, for its header's tooltip
};

// A grid's name, as its tab and a spreadsheet's sheet show it: "Base", "Reloads", "Additional", "Flags".
[[nodiscard]] std::string_view GridName(Grid grid);

// A grid's columns in order, one per enumerator of its column enum.
[[nodiscard]] std::span<const ColumnSpec> ColumnsOf(Grid grid);

// One grid's texts of a row, indexed by the grid's column enum.
template <typename Column, typename Text = std::string>
struct Cells {
    std::array<Text, kColumnCount<Column>> texts;

    [[nodiscard]] Text& operator[](Column column) { return texts[IndexOf(column)]; }
    [[nodiscard]] const Text& operator[](Column column) const { return texts[IndexOf(column)]; }
};

// The texts of one row in every grid.
template <typename Text>
struct GridRow {
    Cells<BaseColumn, Text> base;
    Cells<ReloadColumn, Text> reload;
    Cells<AdditionalColumn, Text> additional;
    Cells<FlagColumn, Text> flags;

    // The text in `column` of `grid`; null for a column past the grid's last.
    [[nodiscard]] const Text* cell(Grid grid, std::size_t column) const {
        const auto pick = [column](const auto& cells) {
            return column < cells.texts.size() ? &cells.texts[column] : nullptr;
        };
        switch (grid) {
            case Grid::Base:
                return pick(base);
            case Grid::Reload:
                return pick(reload);
            case Grid::Additional:
                return pick(additional);
            case Grid::Flags:
                return pick(flags);
        }
        return nullptr;
    }
};

// A column of one grid.
struct GridColumn {
    Grid grid;
    std::size_t column;

    friend bool operator==(const GridColumn&, const GridColumn&) = default;
};

// The description of `column`, which must lie within its grid.
[[nodiscard]] const ColumnSpec& SpecOf(GridColumn column);

// The results file's cells, in order: every Base column, then the Reloads columns from "File Date"
// to "Honesty", then the Additional columns from "Cities" to "Culture 3".
inline constexpr std::size_t kResultsCellCount = 32;
[[nodiscard]] std::span<const GridColumn, kResultsCellCount> ResultsColumns();

// The texts of one row in every grid, as the core writes them.
using RowTexts = GridRow<std::string>;

// A row's texts in the results file's cells.
[[nodiscard]] std::array<std::string_view, kResultsCellCount> ResultsCellsOf(const RowTexts& row);

}  // namespace quillmere::view
