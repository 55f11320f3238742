#include "gui/GraphPage.h"

#include <QComboBox>
#include <QToolButton>
#include <algorithm>

#include "gui/HistoryChart.h"
#include "gui/PageLayout.h"
#include "gui/QtText.h"
#include "view/Charts.h"

namespace quillmere::gui {

namespace {

constexpr int kChartTop = 26;

}  // namespace

GraphPage::GraphPage(const session::Session& session, QWidget* parent) : QWidget(parent), m_session(session) {
    setObjectName("TabSheet5");
    m_categorySelect = new QComboBox(this);
    m_categorySelect->setObjectName("GraphSelect");
    for (const auto category : view::kHistoryCategoryNames) m_categorySelect->addItem(QString::fromUtf8(category));
    m_categorySelect->setCurrentIndex(0);
    m_categorySelect->setGeometry(428, 2, 109, 21);
    auto* resetZoom = new QToolButton(this);
    resetZoom->setObjectName("ResetZoom");
    resetZoom->setText(tr("Reset zoom"));
    resetZoom->setToolTip(tr("Show the whole graph again (or double-click it)"));
    resetZoom->setGeometry(545, 2, 80, 21);
    m_chart = new HistoryChart(this);
    m_chart->setObjectName("HistoryChart");
    connect(resetZoom, &QToolButton::clicked, m_chart, &HistoryChart::resetZoom);
    connect(m_categorySelect, &QComboBox::currentTextChanged, this, [this](const QString& name) {
        draw();
        Q_EMIT categoryChanged(name);
    });
}

int GraphPage::category() const { return m_categorySelect->currentIndex(); }

void GraphPage::selectCategory(const QString& name) {
    // Only a category of the list: a text from an older version may be none.
    const int index = m_categorySelect->findText(name);
    if (index >= 0) m_categorySelect->setCurrentIndex(index);
}

void GraphPage::recordsChanged() { m_stale = true; }

void GraphPage::plotRows(std::vector<std::size_t> rows) {
    m_rows = std::move(rows);
    m_stale = true;
}

void GraphPage::forgetSaves() {
    m_rows.clear();
    m_slots = {};
    m_stale = true;
}

void GraphPage::drawIfStale() {
    if (m_stale) draw();
}

void GraphPage::draw() {
    m_stale = false;
    const auto plan = view::PlanHistoryGraph(m_session.records(), m_rows, category(), m_slots);
    m_chart->chart()->setTitle(FromUtf8(plan.caption));
    // A sort that moves no line leaves the lines as they are.
    if (plan.slots == m_slots && category() == m_drawnCategory) return;
    m_slots = plan.slots;
    m_drawnCategory = category();
    m_chart->draw(plan);
}

bool GraphPage::saveImage(const QString& path) { return m_chart->saveImage(path); }

void GraphPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FillPageBelow(this, m_chart, kChartTop);
}

}  // namespace quillmere::gui
