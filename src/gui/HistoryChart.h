#pragma once

#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <array>
#include <optional>
#include <vector>

#include "analysis/SaveRecord.h"
#include "view/Charts.h"
#include "view/GraphPick.h"
#include "view/GraphPlan.h"

namespace quillmere::gui {

// The history graph: one line series per slot of a view::GraphPlan, which decides what is drawn
// where; this only turns it into a chart. Hovering near a point names the save, the turn and the value; clicking a
// legend entry hides or shows its line; a drag zooms in, a right click zooms out, a double click (or resetZoom()) shows
// everything again.
class HistoryChart : public QChartView {
    Q_OBJECT

public:
    static constexpr int kSeriesCount = static_cast<int>(view::kChartedSaves);

    explicit HistoryChart(QWidget* parent);

    // Draws `plan`: each of its lines in the series of its slot, the other series empty and out of
    // the legend; titles the graph and fits the axes as the plan says.
    void draw(const view::GraphPlan& plan);
    // Removes every point of series `index` and takes it out of the legend; its title stays.
    void emptySeries(int index);
    // Shows the plan's axes again, as they were before any zoom.
    void resetZoom();

    // Writes the graph as it shows now to `path`: SVG for a name ending ".svg", else PNG. False when
    // the file cannot be written.
    bool saveImage(const QString& path);

    [[nodiscard]] QLineSeries* series(int index) const;
    // Whether series `index` is set to show in the legend (the legend itself may be hidden).
    [[nodiscard]] bool isInLegend(int index) const { return m_inLegend.at(static_cast<std::size_t>(index)); }
    // The line (an index into the plan's lines) and turn of the point nearest to `position` in the
    // view, as the hover names it; none when no shown point is near.
    [[nodiscard]] std::optional<view::GraphPick> pickAt(const QPointF& position) const;
    [[nodiscard]] QValueAxis* turnAxis() const { return m_turnAxis; }
    [[nodiscard]] QValueAxis* valueAxis() const { return m_valueAxis; }
    // Hides or shows a drawn line, as a click on its legend entry does.
    void toggleSeries(int index);

protected:
    // The legend and the axis labels follow the widget's font.
    void changeEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void applyFont();
    void setInLegend(int index, bool shown);
    void drawLine(const view::GraphLine& line);
    void fitAxes();
    // Names the point nearest to `position` (in the view), within a few pixels, in a tooltip.
    void showValueNear(const QPointF& position);
    // Rounds the axes' present ranges out to round steps (after a zoom).
    void roundAxes();

    std::array<QLineSeries*, kSeriesCount> m_series{};
    std::array<bool, kSeriesCount> m_inLegend{};
    QValueAxis* m_turnAxis = nullptr;
    QValueAxis* m_valueAxis = nullptr;
    view::GraphPlan m_plan;
};

}  // namespace quillmere::gui
