#pragma once

#include <QToolButton>

namespace quillmere::gui {

// A small picture button that stands over a grid column header and sorts by that column: a
// cyan, black-outlined triangle pointing down, no text.
class SortButton : public QToolButton {
    Q_OBJECT

public:
    static constexpr int kWidth = 21;
    static constexpr int kHeight = 20;

    SortButton(const QString& name, QWidget* parent);
};

}  // namespace quillmere::gui
