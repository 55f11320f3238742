#include "view/GraphPick.h"

#include <algorithm>
#include <cmath>

namespace quillmere::view {

std::optional<GraphPick> PickGraphPoint(const GraphPlan& plan, const std::vector<bool>& drawn, const GraphAxes& shown,
                                        const PlotArea& area, double x, double y) {
    const double turnSpan = shown.turns.max - shown.turns.min;
    const double valueSpan = shown.values.max - shown.values.min;
    if (!(turnSpan > 0) || !(valueSpan > 0) || !(area.width > 0) || !(area.height > 0)) return std::nullopt;
    const auto xOf = [&](double turn) { return area.left + (turn - shown.turns.min) / turnSpan * area.width; };
    const auto yOf = [&](double value) {
        return area.top + area.height - (value - shown.values.min) / valueSpan * area.height;
    };
    const auto turnAt = [&](double px) { return shown.turns.min + (px - area.left) / area.width * turnSpan; };
    // Only the turns within reach across are measured: a line may have thousands.
    const double first = std::ceil(turnAt(x - kPickRadius));
    const double last = std::floor(turnAt(x + kPickRadius));
    std::optional<GraphPick> best;
    double bestDistance = kPickRadius;
    for (std::size_t i = 0; i < plan.lines.size() && i < drawn.size(); ++i) {
        if (!drawn[i]) continue;
        const auto& values = plan.lines[i].values;
        if (values.empty()) continue;
        const double from = std::max(first, 0.0);
        const double to = std::min(last, static_cast<double>(values.size() - 1));
        for (double turn = from; turn <= to; ++turn) {
            const auto value = values[static_cast<std::size_t>(turn)];
            const double distance = std::hypot(xOf(turn) - x, yOf(value) - y);
            if (distance < bestDistance || (distance == bestDistance && !best)) {
                bestDistance = distance;
                best = GraphPick{i, static_cast<int>(turn)};
            }
        }
    }
    return best;
}

GraphAxes ZoomedAxes(double turnA, double turnB, double valueA, double valueB) {
    return {.turns = NiceScale(std::min(turnA, turnB), std::max(turnA, turnB), kMostTurnTicks),
            .values = NiceScale(std::min(valueA, valueB), std::max(valueA, valueB), kMostValueTicks)};
}

}  // namespace quillmere::view
