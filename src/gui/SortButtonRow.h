#pragma once

#include <QObject>
#include <array>
#include <optional>

#include "view/RowLook.h"
#include "view/Sorting.h"

namespace quillmere::gui {

class ResultGrid;
class SortButton;

// The four sort buttons of the Base grid (file name, turn, score, final score), each standing over
// its column's header on the grid's page and following it when a column is resized or the grid
// scrolls sideways.
class SortButtonRow : public QObject {
    Q_OBJECT

public:
    // The buttons are children of `page`, which holds `grid`.
    SortButtonRow(ResultGrid* grid, QWidget* page);

    // Moves the buttons over their columns (after the page laid out the grid).
    void place();
    // Shows which key sorted last and in which order, as view::SortButtonMarks says.
    void showMarks(std::optional<view::SortKey> last, const view::SortDirections& directions);

Q_SIGNALS:
    void sortClicked(quillmere::view::SortKey key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ResultGrid* m_grid;
    QWidget* m_page;
    std::array<SortButton*, 4> m_buttons{};
};

}  // namespace quillmere::gui
