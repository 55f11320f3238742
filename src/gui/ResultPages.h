#pragma once

#include <QRect>
#include <QTabWidget>
#include <QTimer>
#include <array>
#include <utility>

#include "gui/ResultRows.h"
#include "session/Session.h"
#include "tournament/StandingsReport.h"
#include "view/Columns.h"

class QLabel;
class QCheckBox;
class QLineEdit;
class QScrollArea;

namespace quillmere::gui {

class FirstScreen;
class GraphPage;
class ResultGrid;
class RulesPanel;
class SortButtonRow;
class StandingsView;

// The window's tabs: the Base grid with its sort buttons, the graph, the reload rules over the
// Reloads grid, the Additional grid, and the flags with the checks that are off; in the tab bar's
// corner, the row filter. Shows the session's rows; sorting and the rules go through the window.
class ResultPages : public QTabWidget {
    Q_OBJECT

public:
    // Where on the window's client area the tabs were drawn, at the window's drawn size.
    static constexpr QRect kDesignPlace{8, 64, 961, 465};

    ResultPages(const session::Session& session, ResultRows& rows, QWidget* parent);

    [[nodiscard]] GraphPage* graph() const { return m_graphPage; }
    [[nodiscard]] RulesPanel* rules() const { return m_rulesPanel; }
    // What the Base tab shows over an empty table.
    [[nodiscard]] FirstScreen* firstScreen() const { return m_firstScreen; }
    void showFirstScreen(bool shown);
    // The grid of the tab shown; the Base grid while the graph is shown.
    [[nodiscard]] ResultGrid* gridInView() const;

    // Shows the session's rows again with their sort marks, keeping the filter; the graph too
    // (now when it is shown, else when its tab is next shown) when `graphData` changed.
    void showRows(bool graphData);
    // Widens every grid's columns to their texts.
    void fitColumns();
    // Widens the columns that the rules change once typing pauses.
    void fitJudgedColumnsSoon();
    // Widens the flags column (a profile changes its texts).
    void fitFlagsColumn();
    // Unselects every row: the selections named rows that now hold other saves.
    void clearSelections();
    // Names the checks that the rules now leave off above the flags.
    void showChecksOff();
    // Shows the flags of an open tournament's season under the loaded saves' flags; none hides them.
    void showSeasonFlags(const tournament::StandingsGrid* flagged);

Q_SIGNALS:
    void sortClicked(quillmere::view::SortKey key);
    void headerClicked(quillmere::view::Grid grid, int column);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* createBasePage();
    QWidget* createReloadsPage();
    QWidget* createAdditionalPage();
    QWidget* createFlagsPage();
    void createFilter();
    void layoutPage(QWidget* page);
    // Hides the rows whose file and player names do not hold the filter text, and says how many.
    void applyFilter();
    // The attention filter's caption with the count of rows it would show.
    void showAttentionCount();
    void showSortMarks();
    // The four grids with the grid each shows, in the order of their tabs.
    [[nodiscard]] std::array<std::pair<ResultGrid*, view::Grid>, 4> gridKinds() const;

    const session::Session& m_session;
    ResultRows& m_rows;
    QTimer m_fitAfterEdits;  // widens the judged columns once typing pauses
    QWidget* m_basePage = nullptr;
    GraphPage* m_graphPage = nullptr;
    QWidget* m_reloadsPage = nullptr;
    QWidget* m_additionalPage = nullptr;
    QWidget* m_flagsPage = nullptr;
    ResultGrid* m_baseGrid = nullptr;
    ResultGrid* m_reloadGrid = nullptr;
    ResultGrid* m_additionalGrid = nullptr;
    ResultGrid* m_flagsGrid = nullptr;
    SortButtonRow* m_sortButtons = nullptr;
    FirstScreen* m_firstScreen = nullptr;
    RulesPanel* m_rulesPanel = nullptr;
    QScrollArea* m_rulesScroll = nullptr;
    QLabel* m_checksOffLabel = nullptr;
    QLabel* m_seasonFlagsHeading = nullptr;
    StandingsView* m_seasonFlagsGrid = nullptr;
    QLineEdit* m_filterEdit = nullptr;
    QCheckBox* m_attentionBox = nullptr;
    QLabel* m_filterNote = nullptr;
    bool m_filtered = false;  // some row may be hidden
};

}  // namespace quillmere::gui
