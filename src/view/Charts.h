#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "analysis/SaveRecord.h"

namespace quillmere::view {

// Twenty colours (RGB) that stay apart from each other and from a white background: the lines of
// the history graphs, series i in colour i.
inline constexpr std::array<std::uint32_t, 20> kSeriesColours = {
    0xE6194B, 0x3CB44B, 0x4363D8, 0xF58231, 0x911EB4, 0x0FA3B1, 0xF032E6, 0x6B8E23, 0x9A6324, 0x800000,
    0x000075, 0x808080, 0x000000, 0xC9A100, 0x469990, 0xE377C2, 0x7B68EE, 0xFF6F61, 0x2E8B57, 0xA0522D,
};

// The history categories in the order of SaveRecord::History, as the graph names them.
inline constexpr std::array<std::string_view, analysis::kHistoryCategories> kHistoryCategoryNames = {
    "Score", "Economy", "Industry", "Agriculture", "Power", "Culture", "Science",
};

// An axis range that holds [low, high] and is cut by round steps (1, 2 or 5 times a power of ten)
// into at most `maxTicks` intervals; with `maxTicks` 1, a range no single step holds gets two.
struct AxisScale {
    double min = 0;
    double max = 1;
    double step = 1;
    int ticks = 1;  // intervals between min and max
};

[[nodiscard]] AxisScale NiceScale(double low, double high, int maxTicks = 8);

}  // namespace quillmere::view
