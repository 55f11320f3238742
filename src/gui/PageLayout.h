#pragma once

#include <QWidget>
#include <algorithm>

namespace quillmere::gui {

// Between a grid or the chart and its page's left and right edges, and under it.
inline constexpr int kPageMargin = 8;
inline constexpr int kPageBottomMargin = 4;

// Places `child` from `top` down to the bottom of `page`, within the page's margins.
inline void FillPageBelow(const QWidget* page, QWidget* child, int top) {
    child->setGeometry(kPageMargin, top, std::max(0, page->width() - 2 * kPageMargin),
                       std::max(0, page->height() - top - kPageBottomMargin));
}

}  // namespace quillmere::gui
