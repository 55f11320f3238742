#pragma once

#include <QToolButton>

#include "view/RowLook.h"

namespace quillmere::gui {

// A small picture button that stands over a grid column header and sorts by that column: a cyan,
// black-outlined dot and no arrow while the rows are in another order; the button of the last
// sort shows the order the rows are now in with a deeper triangle, pointing up for smallest first.
class SortButton : public QToolButton {
    Q_OBJECT

public:
    static constexpr int kWidth = 21;
    static constexpr int kHeight = 20;

    using Shows = view::SortShows;

    SortButton(const QString& name, QWidget* parent);

    void setShows(Shows shows);
    [[nodiscard]] Shows shows() const { return m_shows; }

protected:
    // Enter and Return press the button like Space does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    Shows m_shows = Shows::Key;
};

}  // namespace quillmere::gui
