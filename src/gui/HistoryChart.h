#pragma once

#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <array>
#include <vector>

#include "analysis/SaveRecord.h"
#include "view/Charts.h"

namespace quillmere::gui {

// The history graph: a line series per charted save, series i drawing the i-th of the records it is
// given in one history category (view::kHistoryCategoryNames; any other value draws flat lines at 0).
// Axes fit the data with round ticks and carry titles; hovering a line names the save, the turn
// and the value; clicking a legend entry hides or shows its line; a drag zooms in, a right click
// zooms out, a double click (or resetZoom()) shows everything again.
class HistoryChart : public QChartView {
    Q_OBJECT

public:
    static constexpr int kSeriesCount = static_cast<int>(view::kChartedSaves);

    explicit HistoryChart(QWidget* parent);

    // Draws the first kSeriesCount of `records`, series i from records[i], empties the series past
    // them and those given as null, titles the graph `caption` and fits the axes.
    void drawRecords(const std::vector<const analysis::SaveRecord*>& records, int category, const QString& caption);

    // Redraws series `index` from `rec`: one point per turn from 0 to Turn - 1 (at most the 1201
    // turns a history holds), titled with the file name and the nickname. A record without details keeps no points
    // and leaves the legend; its title stays.
    void drawRecord(int index, const analysis::SaveRecord& rec, int category);
    // Removes every point of series `index` and takes it out of the legend; its title stays.
    void emptySeries(int index);
    // Fits both axes to the points drawn, in round steps: the value axis follows the data both ways
    // for "Economy" and starts at 0 for every other category.
    void fitAxes(int category);
    void resetZoom();

    // Writes the graph as it shows now to `path`: SVG for a name ending ".svg", else PNG. False when
    // the file cannot be written.
    bool saveImage(const QString& path);

    [[nodiscard]] QLineSeries* series(int index) const;
    // Whether series `index` is set to show in the legend (the legend itself may be hidden).
    [[nodiscard]] bool isInLegend(int index) const { return m_inLegend.at(static_cast<std::size_t>(index)); }
    [[nodiscard]] QValueAxis* turnAxis() const { return m_turnAxis; }
    [[nodiscard]] QValueAxis* valueAxis() const { return m_valueAxis; }
    // Hides or shows a drawn line, as a click on its legend entry does.
    void toggleSeries(int index);

protected:
    // The legend and the axis labels follow the widget's font.
    void changeEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void applyFont();
    void setInLegend(int index, bool shown);
    void showValueAt(int index, const QPointF& point, bool hovering);
    // Rounds the axes' present ranges out to round steps (after a zoom).
    void roundAxes();

    // Smallest and largest value of a series' points, kept so that fitting never rescans them.
    struct Extent {
        qsizetype points = 0;
        qreal low = 0;
        qreal high = 0;
    };

    std::array<QLineSeries*, kSeriesCount> m_series{};
    std::array<Extent, kSeriesCount> m_extents{};
    std::array<bool, kSeriesCount> m_inLegend{};
    QValueAxis* m_turnAxis = nullptr;
    QValueAxis* m_valueAxis = nullptr;
    int m_category = 0;
};

}  // namespace quillmere::gui
