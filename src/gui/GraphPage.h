#pragma once

#include <QWidget>
#include <cstddef>
#include <vector>

#include "session/Session.h"
#include "view/GraphPlan.h"

class QComboBox;

namespace quillmere::gui {

class HistoryChart;

// The Graph tab: the category box, a button that undoes a zoom, and the history graph of the
// session's records as view::PlanHistoryGraph plans it. A save keeps its series, and colour, while
// it stays plotted. The graph is drawn when asked (drawIfStale) or when the category changes.
class GraphPage : public QWidget {
    Q_OBJECT

public:
    GraphPage(const session::Session& session, QWidget* parent);

    // The selected category (an index of view::kHistoryCategoryNames).
    [[nodiscard]] int category() const;
    // Selects the category named `name`; a name outside the list changes nothing.
    void selectCategory(const QString& name);

    // The records changed (their data or their order): the next drawIfStale() draws again.
    void recordsChanged();
    // Plots `rows` (indexes of the records) from the next draw on; empty: the plan's own choice.
    void plotRows(std::vector<std::size_t> rows);
    // A new table: the same paths may hold other saves, so no series is kept for them.
    void forgetSaves();
    // Draws the graph when something changed since it was last drawn.
    void drawIfStale();

    // Writes the graph as it shows to `path` (SVG for ".svg", else PNG); false when it cannot.
    bool saveImage(const QString& path);

Q_SIGNALS:
    void categoryChanged(const QString& name);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void draw();

    const session::Session& m_session;
    QComboBox* m_categorySelect = nullptr;
    HistoryChart* m_chart = nullptr;
    std::vector<std::size_t> m_rows;  // the selected rows; empty: view::ChartedRows' own choice
    bool m_stale = false;             // the rows changed since the graph was drawn
    // The save each series plots (its path, or its name when it has none); empty for a free series.
    view::GraphSlots m_slots{};
    int m_drawnCategory = -1;
};

}  // namespace quillmere::gui
