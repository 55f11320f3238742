#pragma once

#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <array>

#include "analysis/SaveRecord.h"
#include "gui/QtText.h"

namespace quillmere::gui {

// The history graph: 20 line series, series i drawing record i of the table in one history
// category (0 Score, 1 Economy, ... 6 Science; any other value draws flat lines at 0).
class HistoryChart : public QChartView {
    Q_OBJECT

public:
    static constexpr int kSeriesCount = 20;
    static constexpr int kEconomyCategory = 1;

    explicit HistoryChart(QWidget* parent);

    // Redraws series `index` from `rec`: one point per turn from 0 to Turn - 1 (at most the 1201
    // turns a history holds), titled with the nickname. A record without details keeps no points
    // and leaves the legend; its title stays.
    void drawRecord(int index, const analysis::SaveRecord& rec, int category);

    // Removes every point of series `index` and takes it out of the legend; its title stays.
    void emptySeries(int index);

    // Draws the first kSeriesCount records, series i from record i, empties the series past the
    // records, and fits the axes.
    void drawRecords(const analysis::ResultTable& records, int category);

    // Fits both axes to the points drawn: the value axis follows the data both ways for "Economy"
    // and starts at 0 for every other category.
    void fitAxes(int category);

    [[nodiscard]] QLineSeries* series(int index) const;
    // Whether series `index` is set to show in the legend (the legend itself may be hidden).
    [[nodiscard]] bool isInLegend(int index) const { return m_inLegend.at(static_cast<std::size_t>(index)); }
    [[nodiscard]] QValueAxis* turnAxis() const { return m_turnAxis; }
    [[nodiscard]] QValueAxis* valueAxis() const { return m_valueAxis; }

protected:
    // The legend and the axis labels follow the widget's font.
    void changeEvent(QEvent* event) override;

private:
    void applyFont();

    // Smallest and largest value of a series' points, kept so that fitting never rescans them.
    struct Extent {
        qsizetype points = 0;
        qreal low = 0;
        qreal high = 0;
    };

    void setInLegend(int index, bool shown);

    std::array<QLineSeries*, kSeriesCount> m_series{};
    std::array<Extent, kSeriesCount> m_extents{};
    std::array<bool, kSeriesCount> m_inLegend{};
    QValueAxis* m_turnAxis = nullptr;
    QValueAxis* m_valueAxis = nullptr;
};

}  // namespace quillmere::gui
