#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "analysis/SaveRecord.h"
#include "view/Charts.h"

namespace quillmere::view {

// One line of a history graph: the save of table row `row`, drawn in series `slot` (and its colour).
struct GraphLine {
    std::size_t row = 0;
    std::size_t slot = 0;
    std::uint32_t colour = 0;
    std::string id;                    // what tells the save apart from one graph to the next: its path (UTF-8)
    std::string name;                  // the legend's: LegendName() of the save (UTF-8)
    std::vector<std::int32_t> values;  // the category's value at each turn from 0
};

// What a series slot holds: the id of the save drawn there, empty when it is free.
using GraphSlots = std::array<std::string, kChartedSaves>;

// Everything a front end needs to draw a history graph, decided once: which rows, which save keeps
// which series, the caption, the legend names, the values, the axes and their labels.
struct GraphPlan {
    int category = 0;
    std::string caption;           // empty when the rows drawn need no words
    std::string valueName;         // the value axis' title: the category's name ("Score")
    std::vector<GraphLine> lines;  // in row order, saves with details only
    GraphSlots slots;              // after this plan: what the next plan keeps
    GraphAxes axes;
    std::vector<std::string> turnLabels;   // one per tick of axes.turns, from its min
    std::vector<std::string> valueLabels;  // one per tick of axes.values
};

// The history graph of `category` over ChartedRows(table, selected, withoutDetails): each of them
// takes a slot (one without details leaves its series empty), a save that `previous` holds keeps
// its slot, the others take the free ones in row order. The caption says
// which rows are drawn when that is not plain: "Selected rows 1, 4 (the first 20 of 31 selected)",
// "Rows 1 to 20 of 45; select rows to compare others".
[[nodiscard]] GraphPlan PlanHistoryGraph(const analysis::ResultTable& table, std::span<const std::size_t> selected,
                                         int category, const GraphSlots& previous,
                                         RowsWithoutDetails withoutDetails = RowsWithoutDetails::KeepTheirPlace);

// The labels of an axis' ticks: whole numbers for a whole step, else the shortest exact form.
[[nodiscard]] std::vector<std::string> TickLabels(const AxisScale& scale);

// A save's name in a graph's legend, everywhere one is drawn: the player, then the file, since
// players may share a name and a referee looks for the player first: "Anna (Anna-t100)" (UTF-8).
[[nodiscard]] std::string LegendName(const analysis::SaveRecord& rec);

// The words shown for a point of a line under the pointer: "Anna (Anna-t100): turn 42, score 1234";
// empty for a turn the line does not reach.
[[nodiscard]] std::string GraphPointText(const GraphPlan& plan, const GraphLine& line, int turn);
// The same from the line's name, the plan's value name, the turn and its value.
[[nodiscard]] std::string GraphPointText(std::string_view lineName, std::string_view valueName, int turn,
                                         std::int32_t value);

}  // namespace quillmere::view
