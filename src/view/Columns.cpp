#include "view/Columns.h"

namespace quillmere::view {

namespace {

constexpr auto kBaseColumns = std::to_array<ColumnSpec>({
    {kNumeroSign, 20, true},
    {"File Name", 240},
    {"NickName", 100},
    {"LeaderName", 80},
    {"CivName", 80},
    {"Turn", 35, true},
    {"Date", 40, true},
    {"Play Time", 55, true},
    {"Score", 50, true},
    {"Final", 50, true},
    {"Level", 70},
    {"Victory", 80},
});

constexpr auto kReloadColumns = std::to_array<ColumnSpec>({
    {kNumeroSign, 20, true},
    {"File Name", 240},
    {"File Date", 105},
    {"Turn", 35, true},
    {"Date", 45, true},
    {"Play Time", 55, true},
    {"Play Days", 55, true},
    {"Reloads", 50, true},
    {"Percent", 50, true},
    {"Session", 50, true},
    {"Max Reloads", 70, true},
    {"Honesty", 60},
    {"Penalty", 40, true},
});

constexpr auto kAdditionalColumns = std::to_array<ColumnSpec>({
    {kNumeroSign, 20, true},
    {"File Name", 240},
    {"Cities", 40, true},
    {"Units", 40, true},
    {"Techs", 40, true},
    {"Land", 40, true},
    {"Land %", 40, true},
    {"Pop", 40, true},
    {"Pop %", 40, true},
    {"Culture 1", 50, true},
    {"Culture 2", 50, true},
    {"Culture 3", 50, true},
});

constexpr auto kFlagColumns = std::to_array<ColumnSpec>({
    {kNumeroSign, 20, true},
    {"File Name", 240},
    {"Flags", 640},
});

static_assert(kBaseColumns.size() == kColumnCount<BaseColumn>);
static_assert(kReloadColumns.size() == kColumnCount<ReloadColumn>);
static_assert(kAdditionalColumns.size() == kColumnCount<AdditionalColumn>);
static_assert(kFlagColumns.size() == kColumnCount<FlagColumn>);

template <typename Column>
constexpr void appendColumns(std::array<GridColumn, kResultsCellCount>& cells, std::size_t& next, Grid grid,
                             Column first, Column last) {
    for (auto column = IndexOf(first); column <= IndexOf(last); ++column) cells[next++] = {grid, column};
}

constexpr std::array<GridColumn, kResultsCellCount> kResultsColumns = [] {
    std::array<GridColumn, kResultsCellCount> cells{};
    std::size_t next = 0;
    appendColumns(cells, next, Grid::Base, BaseColumn::Number, BaseColumn::Victory);
    appendColumns(cells, next, Grid::Reload, ReloadColumn::FileDate, ReloadColumn::Honesty);
    appendColumns(cells, next, Grid::Additional, AdditionalColumn::Cities, AdditionalColumn::Culture3);
    // Evaluated while compiling: a count other than kResultsCellCount does not compile.
    if (next != kResultsCellCount) throw "the results file's cells do not add up";
    return cells;
}();

}  // namespace

std::span<const ColumnSpec> ColumnsOf(Grid grid) {
    switch (grid) {
        case Grid::Base:
            return kBaseColumns;
        case Grid::Reload:
            return kReloadColumns;
        case Grid::Additional:
            return kAdditionalColumns;
        case Grid::Flags:
            return kFlagColumns;
    }
    return {};
}

const ColumnSpec& SpecOf(GridColumn column) { return ColumnsOf(column.grid)[column.column]; }

std::span<const GridColumn, kResultsCellCount> ResultsColumns() { return kResultsColumns; }

std::array<std::string_view, kResultsCellCount> ResultsCellsOf(const RowTexts& row) {
    std::array<std::string_view, kResultsCellCount> cells;
    for (std::size_t i = 0; i < kResultsCellCount; ++i)
        cells[i] = *row.cell(kResultsColumns[i].grid, kResultsColumns[i].column);
    return cells;
}

}  // namespace quillmere::view
