#include "view/Charts.h"

#include <algorithm>
#include <cmath>

namespace quillmere::view {

std::string HistoryCategoryKey(int category) {
    if (category < 0 || category >= analysis::kHistoryCategories) return {};
    std::string key(kHistoryCategoryNames[static_cast<std::size_t>(category)]);
    // ASCII only: the process locale must not change a key.
    for (auto& c : key)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return key;
}

std::vector<std::size_t> ChartedRows(const analysis::ResultTable& table, std::span<const std::size_t> selected,
                                     RowsWithoutDetails withoutDetails) {
    std::vector<std::size_t> rows;
    for (const auto row : selected) {
        if (rows.size() == kChartedSaves) break;
        if (row < table.size()) rows.push_back(row);
    }
    if (!selected.empty()) return rows;
    for (std::size_t row = 0; row < table.size() && rows.size() < kChartedSaves; ++row) {
        if (withoutDetails == RowsWithoutDetails::KeepTheirPlace || analysis::ShowsDetails(table[row]))
            rows.push_back(row);
    }
    return rows;
}

GraphAxes HistoryGraphAxes(int category, double low, double high, int mostPoints) {
    constexpr int kEconomy = 1;
    if (category != kEconomy) {
        low = 0;
        high = std::max(high, 0.0);
    }
    if (high - low < kSmallestGraphRange) high = low + kSmallestGraphRange;
    GraphAxes axes;
    axes.values = NiceScale(low, high, kMostValueTicks);
    if (category != kEconomy) axes.values.min = 0;
    axes.turns = NiceScale(0, std::max(static_cast<double>(mostPoints) - 1, kSmallestGraphRange), kMostTurnTicks);
    return axes;
}

AxisScale NiceScale(double low, double high, int maxTicks) {
    if (!std::isfinite(low) || !std::isfinite(high)) low = high = 0;
    if (high < low) std::swap(low, high);
    if (maxTicks < 1) maxTicks = 1;
    if (high == low) high = low + 1;
    const double rough = (high - low) / maxTicks;
    const double magnitude = std::pow(10.0, std::floor(std::log10(rough)));
    AxisScale scale;
    // Rounding both ends outwards can add an interval, so a narrow range far from zero may need a
    // step wider than ten times the magnitude. A step as wide as the range leaves at most two
    // intervals: wider ones cannot do better, since one interval never holds a range around zero.
    for (double power = magnitude; std::isfinite(power); power *= 10) {
        for (const double factor : {1.0, 2.0, 5.0}) {
            scale.step = factor * power;
            scale.min = std::floor(low / scale.step) * scale.step;
            scale.max = std::ceil(high / scale.step) * scale.step;
            scale.ticks = static_cast<int>(std::lround((scale.max - scale.min) / scale.step));
            if (scale.ticks <= maxTicks || scale.step >= high - low) return scale;
        }
    }
    return scale;
}

}  // namespace quillmere::view
