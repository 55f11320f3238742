#include "view/GraphPlan.h"

#include <algorithm>
#include <cstdio>

#include "load/Windows1251.h"

namespace quillmere::view {

namespace {

std::string captionOf(std::size_t tableSize, std::size_t selected, const std::vector<std::size_t>& rows) {
    if (selected == 0) {
        if (tableSize <= rows.size()) return {};
        return "Rows 1 to " + std::to_string(rows.size()) + " of " + std::to_string(tableSize) +
               "; select rows to compare others";
    }
    std::string caption = "Selected rows ";
    for (std::size_t i = 0; i < rows.size(); ++i) caption += (i == 0 ? "" : ", ") + std::to_string(rows[i] + 1);
    if (selected > rows.size())
        caption += " (the first " + std::to_string(rows.size()) + " of " + std::to_string(selected) + " selected)";
    return caption;
}

}  // namespace

std::vector<std::string> TickLabels(const AxisScale& scale) {
    std::vector<std::string> labels;
    for (int i = 0; i <= scale.ticks; ++i) {
        char text[32];
        std::snprintf(text, sizeof text, scale.step >= 1 ? "%.0f" : "%g", scale.min + i * scale.step);
        labels.emplace_back(text);
    }
    return labels;
}

GraphPlan PlanHistoryGraph(const analysis::ResultTable& table, std::span<const std::size_t> selected, int category,
                           const GraphSlots& previous, RowsWithoutDetails withoutDetails) {
    GraphPlan plan;
    plan.category = category;
    if (category >= 0 && category < analysis::kHistoryCategories)
        plan.valueName = kHistoryCategoryNames[static_cast<std::size_t>(category)];
    const auto rows = ChartedRows(table, selected, withoutDetails);
    plan.caption = captionOf(table.size(), selected.size(), rows);

    // Every row drawn takes a slot, a row without details too (its series stays empty): a save
    // drawn before keeps its slot, the others take the free ones in order.
    std::vector<std::string> ids;
    for (const auto row : rows) {
        const auto& rec = table[row];
        ids.push_back(load::FileNameToUtf8(rec.path.empty() ? rec.fileName : rec.path));
    }
    std::vector<std::size_t> slotOf(rows.size(), kChartedSaves);
    std::array<bool, kChartedSaves> taken{};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto kept = std::find(previous.begin(), previous.end(), ids[i]);
        const auto slot = static_cast<std::size_t>(kept - previous.begin());
        if (kept != previous.end() && !taken[slot]) {
            taken[slot] = true;
            slotOf[i] = slot;
        }
    }
    std::size_t free = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (slotOf[i] != kChartedSaves) continue;
        while (taken[free]) ++free;
        taken[free] = true;
        slotOf[i] = free;
    }

    bool any = false;
    double low = 0;
    double high = 0;
    int mostPoints = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        plan.slots[slotOf[i]] = ids[i];
        const auto& rec = table[rows[i]];
        if (!analysis::ShowsDetails(rec)) continue;
        GraphLine line;
        line.row = rows[i];
        line.slot = slotOf[i];
        line.colour = kSeriesColours[line.slot];
        line.id = ids[i];
        line.name = LegendName(rec);
        const int turns = analysis::HistoryTurns(rec);
        line.values.resize(static_cast<std::size_t>(turns));
        for (int turn = 0; turn < turns; ++turn) {
            const auto value = analysis::HistoryValue(rec, category, turn);
            line.values[static_cast<std::size_t>(turn)] = value;
            low = any ? std::min<double>(low, value) : value;
            high = any ? std::max<double>(high, value) : value;
            any = true;
        }
        mostPoints = std::max(mostPoints, turns);
        plan.lines.push_back(std::move(line));
    }

    plan.axes = HistoryGraphAxes(category, low, high, mostPoints);
    plan.turnLabels = TickLabels(plan.axes.turns);
    plan.valueLabels = TickLabels(plan.axes.values);
    return plan;
}

std::string LegendName(const analysis::SaveRecord& rec) {
    std::string name = load::Windows1251ToUtf8(rec.nickName);
    name += " (";
    name += load::FileNameToUtf8(rec.fileName);
    name += ')';
    return name;
}

std::string GraphPointText(const GraphPlan& plan, const GraphLine& line, int turn) {
    if (turn < 0 || static_cast<std::size_t>(turn) >= line.values.size()) return {};
    return GraphPointText(line.name, plan.valueName, turn, line.values[static_cast<std::size_t>(turn)]);
}

std::string GraphPointText(std::string_view lineName, std::string_view valueName, int turn, std::int32_t value) {
    std::string category(valueName);
    for (auto& c : category)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return std::string(lineName) + ": turn " + std::to_string(turn) + ", " + category + " " + std::to_string(value);
}

}  // namespace quillmere::view
