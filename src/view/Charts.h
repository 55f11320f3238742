#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/SaveRecord.h"

namespace quillmere::view {

// Twenty colours (RGB) that stay apart from each other and from a white background: the lines of
// the history graphs, series i in colour i.
inline constexpr std::array<std::uint32_t, 20> kSeriesColours = {
    0xE6194B, 0x3CB44B, 0x4363D8, 0xF58231, 0x911EB4, 0x0FA3B1, 0xF032E6, 0x6B8E23, 0x9A6324, 0x800000,
    0x000075, 0x808080, 0x000000, 0xC9A100, 0x469990, 0xE377C2, 0x7B68EE, 0xFF6F61, 0x2E8B57, 0xA0522D,
};

// The history categories' names, in the order of a record's history.
inline constexpr std::array<std::string_view, analysis::kHistoryCategories> kHistoryCategoryNames = {
    "Score", "Economy", "Industry", "Agriculture", "Power", "Culture", "Science"};

// The name of history category `category` in lower case ("economy"); empty outside the categories.
[[nodiscard]] std::string HistoryCategoryKey(int category);

// The most saves a history graph draws: one per colour.
inline constexpr std::size_t kChartedSaves = kSeriesColours.size();

// Whether rows whose saves show no details take a place among the charted ones.
enum class RowsWithoutDetails {
    KeepTheirPlace,  // a graph whose series i draws row i: such a row leaves its series empty
    LeftOut,         // a page that names each charted save
};

// The rows a history graph draws, in order: the first kChartedSaves of `selected` that lie in the
// table, or, when none is selected, the first kChartedSaves rows of the table, counting rows
// without details or not as `withoutDetails` says.
[[nodiscard]] std::vector<std::size_t> ChartedRows(const analysis::ResultTable& table,
                                                   std::span<const std::size_t> selected,
                                                   RowsWithoutDetails withoutDetails);

// An axis range that holds [low, high] and is cut by round steps (1, 2 or 5 times a power of ten)
// into at most `maxTicks` intervals; with `maxTicks` 1, a range no single step holds gets two.
struct AxisScale {
    double min = 0;
    double max = 1;
    double step = 1;
    int ticks = 1;  // intervals between min and max
};

[[nodiscard]] AxisScale NiceScale(double low, double high, int maxTicks = 8);

// The most intervals a history graph's axes are cut into; the range under which an axis is widened
// so that a flat or empty graph still gets whole-number ticks.
inline constexpr int kMostValueTicks = 8;
inline constexpr int kMostTurnTicks = 10;
inline constexpr double kSmallestGraphRange = 10;

struct GraphAxes {
    AxisScale turns;
    AxisScale values;
};

// The axes of a history graph of `category` whose lines take values in [low, high] over at most
// `mostPoints` turns. Only the Economy history can go below 0 and is worth seeing there; the
// others start at 0.
[[nodiscard]] GraphAxes HistoryGraphAxes(int category, double low, double high, int mostPoints);

}  // namespace quillmere::view
