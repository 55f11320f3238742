#include "gui/HistoryChart.h"

#include <QCursor>
#include <QEvent>
#include <QFontInfo>
#include <QGraphicsLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgGenerator>
#include <QToolTip>
#include <QtCharts/QLegendMarker>
#include <algorithm>
#include <cmath>

#include "gui/QtText.h"
#include "view/Charts.h"

namespace quillmere::gui {

namespace {

void applyScale(QValueAxis* axis, const view::AxisScale& scale) {
    axis->setRange(scale.min, scale.max);
    axis->setTickCount(scale.ticks + 1);
    axis->setLabelFormat(scale.step >= 1 ? "%.0f" : "%g");
}

QString categoryTitle(int category) {
    return QString::fromUtf8(view::kHistoryCategoryNames[static_cast<std::size_t>(category)]);
}

}  // namespace

HistoryChart::HistoryChart(QWidget* parent) : QChartView(parent) {
    // The view made a chart of its own and keeps owning it.
    QChart* chart = this->chart();
    chart->legend()->setVisible(true);
    chart->legend()->setAlignment(Qt::AlignRight);
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->setBackgroundRoundness(0);
    m_turnAxis = new QValueAxis;
    m_turnAxis->setTitleText(tr("Turn"));
    m_valueAxis = new QValueAxis;
    m_valueAxis->setTitleText(categoryTitle(0));
    chart->addAxis(m_turnAxis, Qt::AlignBottom);
    chart->addAxis(m_valueAxis, Qt::AlignLeft);
    for (int index = 0; index < kSeriesCount; ++index) {
        auto* line = new QLineSeries;
        line->setName(QStringLiteral("Graph%1").arg(index + 1, 2, 10, QLatin1Char('0')));
        QPen pen(QColor::fromRgb(view::kSeriesColours[static_cast<std::size_t>(index)]));
        pen.setWidth(2);
        line->setPen(pen);
        line->setPointsVisible(false);
        chart->addSeries(line);
        line->attachAxis(m_turnAxis);
        line->attachAxis(m_valueAxis);
        connect(line, &QLineSeries::hovered, this,
                [this, index](const QPointF& point, bool state) { showValueAt(index, point, state); });
        m_series[static_cast<std::size_t>(index)] = line;
        m_inLegend[static_cast<std::size_t>(index)] = true;
    }
    for (int index = 0; index < kSeriesCount; ++index) {
        for (auto* marker : chart->legend()->markers(series(index)))
            connect(marker, &QLegendMarker::clicked, this, [this, index] { toggleSeries(index); });
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
    chart()->setTitleFont(font());
    for (auto* axis : {m_turnAxis, m_valueAxis}) {
        axis->setLabelsFont(font());
        axis->setTitleFont(font());
    }
}

QLineSeries* HistoryChart::series(int index) const { return m_series.at(static_cast<std::size_t>(index)); }

void HistoryChart::setInLegend(int index, bool shown) {
    m_inLegend.at(static_cast<std::size_t>(index)) = shown;
    for (auto* marker : chart()->legend()->markers(series(index))) marker->setVisible(shown);
}

void HistoryChart::toggleSeries(int index) {
    auto* line = series(index);
    line->setVisible(!line->isVisible());
    // A hidden line keeps its legend entry, greyed, so that a second click brings it back.
    for (auto* marker : chart()->legend()->markers(line)) {
        marker->setVisible(m_inLegend.at(static_cast<std::size_t>(index)));
        QColor label = palette().color(QPalette::WindowText);
        if (!line->isVisible()) label.setAlphaF(0.35f);
        marker->setLabelBrush(label);
        QColor colour = line->pen().color();
        if (!line->isVisible()) colour.setAlphaF(0.25f);
        marker->setBrush(colour);
    }
}

void HistoryChart::emptySeries(int index) {
    series(index)->clear();
    if (!series(index)->isVisible()) toggleSeries(index);
    m_extents.at(static_cast<std::size_t>(index)) = {};
    setInLegend(index, false);
}

void HistoryChart::drawRecords(const std::vector<const analysis::SaveRecord*>& records, int category,
                               const QString& caption) {
    for (int index = 0; index < kSeriesCount; ++index) {
        if (index < static_cast<int>(records.size()) && records[static_cast<std::size_t>(index)] != nullptr) {
            drawRecord(index, *records[static_cast<std::size_t>(index)], category);
        } else {
            emptySeries(index);
        }
    }
    chart()->setTitle(caption);
    fitAxes(category);
}

void HistoryChart::drawRecord(int index, const analysis::SaveRecord& rec, int category) {
    if (!analysis::ShowsDetails(rec)) {
        emptySeries(index);
        return;
    }
    auto* line = series(index);
    // Players may share a name: the file tells their lines apart.
    line->setName(QStringLiteral("%1 (%2)").arg(FromFileSystem(rec.fileName), FromWindows1251(rec.nickName)));
    if (!line->isVisible()) toggleSeries(index);
    setInLegend(index, true);

    const int turns = std::clamp(rec.turn, 0, analysis::kHistoryTurns);
    QList<QPointF> points;
    points.reserve(turns);
    Extent extent;
    for (int turn = 0; turn < turns; ++turn) {
        const qreal value = analysis::HistoryValue(rec, category, turn);
        extent.low = turn == 0 ? value : std::min(extent.low, value);
        extent.high = turn == 0 ? value : std::max(extent.high, value);
        points.append(QPointF(turn, value));
    }
    extent.points = points.size();
    m_extents.at(static_cast<std::size_t>(index)) = extent;
    line->replace(points);
}

void HistoryChart::fitAxes(int category) {
    m_category = category;
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
    const auto axes = view::HistoryGraphAxes(category, low, high, static_cast<int>(mostPoints));
    applyScale(m_valueAxis, axes.values);
    applyScale(m_turnAxis, axes.turns);
    const bool known = category >= 0 && category < analysis::kHistoryCategories;
    m_valueAxis->setTitleText(known ? categoryTitle(category) : QString());
}

void HistoryChart::resetZoom() {
    chart()->zoomReset();
    fitAxes(m_category);
}

void HistoryChart::roundAxes() {
    applyScale(m_turnAxis, view::NiceScale(m_turnAxis->min(), m_turnAxis->max(), view::kMostTurnTicks));
    applyScale(m_valueAxis, view::NiceScale(m_valueAxis->min(), m_valueAxis->max(), view::kMostValueTicks));
}

void HistoryChart::mouseReleaseEvent(QMouseEvent* event) {
    QChartView::mouseReleaseEvent(event);  // ends a rubber-band zoom in, or zooms out on a right click
    roundAxes();
}

void HistoryChart::mouseDoubleClickEvent(QMouseEvent* event) {
    resetZoom();
    event->accept();
}

void HistoryChart::showValueAt(int index, const QPointF& point, bool hovering) {
    const auto* line = series(index);
    const auto turn = static_cast<qsizetype>(std::lround(point.x()));
    if (!hovering || turn < 0 || turn >= line->count()) {
        QToolTip::hideText();
        return;
    }
    QToolTip::showText(QCursor::pos(),
                       tr("%1: turn %2, %3 %4")
                           .arg(line->name())
                           .arg(turn)
                           .arg(m_valueAxis->titleText().toLower())
                           .arg(line->at(static_cast<int>(turn)).y()),
                       this);
}

bool HistoryChart::saveImage(const QString& path) {
    if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        QSvgGenerator svg;
        svg.setFileName(path);
        svg.setSize(size());
        svg.setViewBox(rect());
        svg.setTitle(chart()->title());
        QPainter painter;
        if (!painter.begin(&svg)) return false;
        render(&painter);
        return painter.end();
    }
    return grab().save(path, "PNG");
}

}  // namespace quillmere::gui
