#include "gui/HistoryChart.h"

#include <QEvent>
#include <QFontInfo>
#include <QGraphicsLayout>
#include <QtCharts/QLegendMarker>
#include <algorithm>

namespace quillmere::gui {

namespace {

constexpr std::array<QRgb, HistoryChart::kSeriesCount> kSeriesColours = {
    0xFF0000, 0x0000FF, 0x00FF00, 0xFFFF00, 0xFF8000, 0x00FFFF, 0x8000FF, 0x808000, 0xFFFFFF, 0xFF00FF,
    0x004000, 0x80FF80, 0xFFFF80, 0x808040, 0x400040, 0x80FFFF, 0x004040, 0xFF8040, 0x000000, 0x808080,
};

constexpr qreal kSmallestRange = 10;

}  // namespace

HistoryChart::HistoryChart(QWidget* parent) : QChartView(parent) {
    // The view made a chart of its own and keeps owning it.
    QChart* chart = this->chart();
    chart->legend()->setVisible(true);
    chart->legend()->setAlignment(Qt::AlignRight);
    // Room for all twenty legend entries beside the plot.
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->setBackgroundRoundness(0);
    m_turnAxis = new QValueAxis;
    m_turnAxis->setLabelFormat("%.10g");
    m_valueAxis = new QValueAxis;
    m_valueAxis->setLabelFormat("%.10g");
    chart->addAxis(m_turnAxis, Qt::AlignBottom);
    chart->addAxis(m_valueAxis, Qt::AlignLeft);
    for (int index = 0; index < kSeriesCount; ++index) {
        auto* line = new QLineSeries;
        line->setName(QStringLiteral("Graph%1").arg(index + 1, 2, 10, QLatin1Char('0')));
        QPen pen(QColor::fromRgb(kSeriesColours[static_cast<std::size_t>(index)]));
        pen.setWidth(2);
        line->setPen(pen);
        line->setPointsVisible(false);
        chart->addSeries(line);
        line->attachAxis(m_turnAxis);
        line->attachAxis(m_valueAxis);
        m_series[static_cast<std::size_t>(index)] = line;
        m_inLegend[static_cast<std::size_t>(index)] = true;
    }
    setRenderHint(QPainter::Antialiasing);
    setRubberBand(QChartView::RectangleRubberBand);
    applyFont();
    fitAxes(0);
}

void HistoryChart::changeEvent(QEvent* event) {
    QChartView::changeEvent(event);
    if (event->type() == QEvent::FontChange) applyFont();
}

void HistoryChart::applyFont() {
    QFont legendFont = font();
    legendFont.setPixelSize(std::max(8, QFontInfo(font()).pixelSize() - 2));
    chart()->legend()->setFont(legendFont);
    m_turnAxis->setLabelsFont(font());
    m_valueAxis->setLabelsFont(font());
}

QLineSeries* HistoryChart::series(int index) const { return m_series.at(static_cast<std::size_t>(index)); }

void HistoryChart::setInLegend(int index, bool shown) {
    m_inLegend.at(static_cast<std::size_t>(index)) = shown;
    for (auto* marker : chart()->legend()->markers(series(index))) marker->setVisible(shown);
}

void HistoryChart::emptySeries(int index) {
    series(index)->clear();
    m_extents.at(static_cast<std::size_t>(index)) = {};
    setInLegend(index, false);
}

void HistoryChart::drawRecord(int index, const analysis::SaveRecord& rec, int category) {
    if (!analysis::ShowsDetails(rec)) {
        emptySeries(index);
        return;
    }
    auto* line = series(index);
    line->setName(FromWindows1251(rec.NickName));
    setInLegend(index, true);

    const bool known = category >= 0 && category < analysis::kHistoryCategories;
    const int turns = std::clamp(rec.Turn, 0, analysis::kHistoryTurns);
    QList<QPointF> points;
    points.reserve(turns);
    Extent extent;
    for (int turn = 0; turn < turns; ++turn) {
        const qreal value = known ? rec.History[static_cast<std::size_t>(category)][static_cast<std::size_t>(turn)] : 0;
        extent.low = turn == 0 ? value : std::min(extent.low, value);
        extent.high = turn == 0 ? value : std::max(extent.high, value);
        points.append(QPointF(turn, value));
    }
    extent.points = points.size();
    m_extents.at(static_cast<std::size_t>(index)) = extent;
    line->replace(points);
}

void HistoryChart::drawRecords(const analysis::ResultTable& records, int category) {
    for (int index = 0; index < kSeriesCount; ++index) {
        if (index < static_cast<int>(records.size())) {
            drawRecord(index, records[static_cast<std::size_t>(index)], category);
        } else {
            emptySeries(index);
        }
    }
    fitAxes(category);
}

void HistoryChart::fitAxes(int category) {
    qsizetype mostPoints = 0;
    bool any = false;
    qreal low = 0;
    qreal high = 0;
    for (const auto& extent : m_extents) {
        if (extent.points == 0) continue;
        low = any ? std::min(low, extent.low) : extent.low;
        high = any ? std::max(high, extent.high) : extent.high;
        any = true;
        mostPoints = std::max(mostPoints, extent.points);
    }
    // Only the Economy history can go below 0 and is worth seeing there; the others start at 0.
    if (category != kEconomyCategory) {
        low = 0;
        high = std::max<qreal>(high, 0);
    }
    // A flat or empty graph still gets whole-number ticks.
    if (high - low < kSmallestRange) high = low + kSmallestRange;
    m_valueAxis->setRange(low, high);
    m_valueAxis->applyNiceNumbers();
    if (category != kEconomyCategory) m_valueAxis->setMin(0);
    m_turnAxis->setRange(0, std::max<qreal>(static_cast<qreal>(mostPoints) - 1, kSmallestRange));
    m_turnAxis->applyNiceNumbers();
}

}  // namespace quillmere::gui
