#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "view/Charts.h"
#include "view/GraphPlan.h"

namespace quillmere::view {

// Where a graph's plot lies on the screen, in pixels: the axes' min at the left and bottom edges.
struct PlotArea {
    double left = 0;
    double top = 0;
    double width = 1;
    double height = 1;
};

// How far from a point, in pixels, the pointer still picks it.
inline constexpr double kPickRadius = 10;

// A point of a graph: the turn of line `line` of its plan.
struct GraphPick {
    std::size_t line = 0;
    int turn = 0;
};

// The point of the lines of `plan` that `drawn` says are drawn (one flag per line; a line without
// one is not) nearest the pointer at (x, y), within kPickRadius pixels, on a plot `area` that
// shows the ranges of `shown`; the first line's of two as near. None when no point is that near.
[[nodiscard]] std::optional<GraphPick> PickGraphPoint(const GraphPlan& plan, const std::vector<bool>& drawn,
                                                      const GraphAxes& shown, const PlotArea& area, double x, double y);

// The axes a zoom into the turns between `turnA` and `turnB` and the values between `valueA` and
// `valueB` shows (the corners of a drag, in either order): each range rounded out to round steps,
// as the plan's axes are.
[[nodiscard]] GraphAxes ZoomedAxes(double turnA, double turnB, double valueA, double valueB);

}  // namespace quillmere::view
