#include "view/Columns.h"

namespace quillmere::view {

namespace {

constexpr std::string_view kNumberHelp = "The row's place in the table's order";
constexpr std::string_view kFileNameHelp =
    "The save's file name without its extension; \u2691 marks a save with flags, listed in its tooltip";
constexpr std::string_view kTurnHelp = "The game turn the save was made on";
constexpr std::string_view kYearHelp = "The game's calendar year at that turn";
constexpr std::string_view kPlayTimeHelp = "The time played in this game, hours:minutes:seconds, as the save counts it";

constexpr auto kBaseColumns = std::to_array<ColumnSpec>({
    {kNumeroSign, 20, true, kNumberHelp},
    {"File Name", 240, false, kFileNameHelp},
    {"NickName", 100, false, "The name the player plays under in the game"},
    {"LeaderName", 80, false, "The leader the player chose"},
    {"CivName", 80, false, "The player's civilization"},
    {"Turn", 35, true, kTurnHelp},
    {"Date", 40, true, kYearHelp},
    {"Play Time", 55, true, kPlayTimeHelp},
    {"Score", 50, true, "The game's own score of the player"},
    {"Final", 50, true,
     "The tournament score: the sum of four parts, each a statistic of the player against the value the "
     "save's own settings expect at its turn, times the part's weight (5000, 2000, 2000, 1000) and the "
     "difficulty factor (0.4 to 2.0), cut to a whole number. A player on the expected curve earns the "
     "weights times the difficulty; the expected values grow with the turn, so an early save with the "
     "same score earns more"},
    {"Level", 70, false, "The difficulty level; it sets the difficulty factor of the Final score"},
    {"Victory", 80, false, "How the game was won, once it is over"},
});

constexpr auto kReloadColumns = std::to_array<ColumnSpec>({
    {kNumeroSign, 20, true, kNumberHelp},
    {"File Name", 240, false, kFileNameHelp},
    {"File Date", 105, false, "When the file was last written, as its file system keeps it"},
    {"Turn", 35, true, kTurnHelp},
    {"Date", 45, true, kYearHelp},
    {"Play Time", 55, true, kPlayTimeHelp},
    {"Play Days", 55, true,
     "The tournament day the file was written on, the start date being day 1 (30 for a date outside "
     "days 1 to 31)"},
    {"Reloads", 50, true, "The times the save was loaded, less the presessions; never below 0"},
    {"Percent", 50, true, "Reloads per turn, in percent"},
    {"Session", 50, true, "The average length of one session: the play time divided by the reloads"},
    {"Max Reloads", 70, true,
     "The reloads the rules allow: the smaller of the play days times the sessions per day and the "
     "minimum-length sessions the play time holds, rounded"},
    {"Honesty", 60, false,
     "The verdict: Fair below 3/4 of Max Reloads, Average below 5/4 of it, Cheat from there; a save never "
     "loaded is Fair. Its tooltip gives the save's own counts"},
    {"Penalty", 40, true, "Not computed"},
});

constexpr auto kAdditionalColumns = std::to_array<ColumnSpec>({
    {kNumeroSign, 20, true, kNumberHelp},
    {"File Name", 240, false, kFileNameHelp},
    {"Cities", 40, true, "The player's cities"},
    {"Units", 40, true, "The player's units"},
    {"Techs", 40, true, "The technologies the player knows"},
    {"Land", 40, true, "The land the player holds, in tiles"},
    {"Land %", 40, true, "The player's share of all players' land, in percent"},
    {"Pop", 40, true, "The player's population"},
    {"Pop %", 40, true, "The player's share of all players' population, in percent"},
    {"Culture 1", 50, true, "The culture of the player's most cultured city"},
    {"Culture 2", 50, true, "The culture of the player's second most cultured city (0 without one)"},
    {"Culture 3", 50, true, "The culture of the player's third most cultured city (0 without one)"},
});

constexpr auto kFlagColumns = std::to_array<ColumnSpec>({
    {kNumeroSign, 20, true, kNumberHelp},
    {"File Name", 240, false, kFileNameHelp},
    {"Flags", 640, false, "What the profile's checks found in the save, \"; \" between findings"},
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

std::string_view GridName(Grid grid) {
    switch (grid) {
        case Grid::Base:
            return "Base";
        case Grid::Reload:
            return "Reloads";
        case Grid::Additional:
            return "Additional";
        case Grid::Flags:
            break;
    }
    return "Flags";
}

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
