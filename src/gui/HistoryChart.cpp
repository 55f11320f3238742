#include "gui/HistoryChart.h"

#include <QCursor>
#include <QEvent>
#include <QFontInfo>
#include <QGraphicsLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QSaveFile>
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
        m_series[static_cast<std::size_t>(index)] = line;
        m_inLegend[static_cast<std::size_t>(index)] = true;
    }
    for (int index = 0; index < kSeriesCount; ++index) {
        for (auto* marker : chart->legend()->markers(series(index)))
            connect(marker, &QLegendMarker::clicked, this, [this, index] { toggleSeries(index); });
    }
    // The pointer's nearest point is looked up on every move, not only over a line's own pixels.
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    setRenderHint(QPainter::Antialiasing);
    setRubberBand(QChartView::RectangleRubberBand);
    applyFont();
    m_plan.axes = view::HistoryGraphAxes(0, 0, 0, 0);
    m_plan.valueName = view::kHistoryCategoryNames[0];
    fitAxes();
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
    setInLegend(index, false);
}

void HistoryChart::draw(const view::GraphPlan& plan) {
    m_plan = plan;
    std::array<bool, kSeriesCount> drawn{};
    for (const auto& line : m_plan.lines) {
        drawLine(line);
        drawn.at(line.slot) = true;
    }
    for (int index = 0; index < kSeriesCount; ++index)
        if (!drawn.at(static_cast<std::size_t>(index))) emptySeries(index);
    chart()->setTitle(FromUtf8(m_plan.caption));
    fitAxes();
}

void HistoryChart::drawLine(const view::GraphLine& line) {
    const int index = static_cast<int>(line.slot);
    auto* series = this->series(index);
    series->setName(FromUtf8(line.name));
    if (!series->isVisible()) toggleSeries(index);
    setInLegend(index, true);
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(line.values.size()));
    for (std::size_t turn = 0; turn < line.values.size(); ++turn)
        points.append(QPointF(static_cast<qreal>(turn), line.values[turn]));
    series->replace(points);
}

void HistoryChart::fitAxes() {
    applyScale(m_valueAxis, m_plan.axes.values);
    applyScale(m_turnAxis, m_plan.axes.turns);
    m_valueAxis->setTitleText(FromUtf8(m_plan.valueName));
}

void HistoryChart::resetZoom() {
    chart()->zoomReset();
    fitAxes();
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

void HistoryChart::mouseMoveEvent(QMouseEvent* event) {
    QChartView::mouseMoveEvent(event);
    showValueNear(event->position());
}

std::optional<view::GraphPick> HistoryChart::pickAt(const QPointF& position) const {
    // The plot area in the view's pixels, and the ranges the axes show now (a zoom changes them).
    const QTransform toView = viewportTransform();
    const QRectF plot = toView.mapRect(chart()->mapRectToScene(chart()->plotArea()));
    const view::PlotArea area{plot.left(), plot.top(), plot.width(), plot.height()};
    view::GraphAxes shown;
    shown.turns.min = m_turnAxis->min();
    shown.turns.max = m_turnAxis->max();
    shown.values.min = m_valueAxis->min();
    shown.values.max = m_valueAxis->max();
    // Points outside the plot area are not drawn: none is picked there.
    if (!plot.contains(position)) return std::nullopt;
    std::vector<bool> drawn;
    for (const auto& line : m_plan.lines) drawn.push_back(series(static_cast<int>(line.slot))->isVisible());
    return view::PickGraphPoint(m_plan, drawn, shown, area, position.x(), position.y());
}

void HistoryChart::showValueNear(const QPointF& position) {
    const auto pick = pickAt(position);
    const auto text = pick ? view::GraphPointText(m_plan, m_plan.lines[pick->line], pick->turn) : std::string();
    if (text.empty()) {
        QToolTip::hideText();
        return;
    }
    QToolTip::showText(mapToGlobal(position.toPoint()), FromUtf8(text), this);
}

bool HistoryChart::saveImage(const QString& path) {
    // Replaces a file only once all of the image is written, as every other output does.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(size());
        svg.setViewBox(rect());
        svg.setTitle(chart()->title());
        QPainter painter;
        if (!painter.begin(&svg)) return false;
        render(&painter);
        if (!painter.end()) return false;
    } else if (!grab().save(&file, "PNG")) {
        return false;
    }
    return file.commit();
}

}  // namespace quillmere::gui
