#include "gui/SortButtonRow.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>

#include "gui/ResultGrid.h"
#include "gui/SortButton.h"

namespace quillmere::gui {

namespace {

// The sort keys in the order of their buttons; each stands over its Base grid column.
struct SortColumn {
    const char* name;
    view::SortKey key;
};
constexpr std::array<SortColumn, 4> kSortColumns = {{
    {"SortByFileNameSelect", view::SortKey::FileName},
    {"SortByTurnSelect", view::SortKey::Turn},
    {"SortByScoreSelect", view::SortKey::Score},
    {"SortByFinalScoreSelect", view::SortKey::FinalScore},
}};

}  // namespace

SortButtonRow::SortButtonRow(ResultGrid* grid, QWidget* page) : QObject(page), m_grid(grid), m_page(page) {
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        m_buttons[i] = new SortButton(kSortColumns[i].name, page);
        const auto key = kSortColumns[i].key;
        connect(m_buttons[i], &QAbstractButton::clicked, this, [this, key] { Q_EMIT sortClicked(key); });
    }
    connect(grid->horizontalHeader(), &QHeaderView::sectionResized, this, &SortButtonRow::place);
    connect(grid->horizontalScrollBar(), &QScrollBar::valueChanged, this, &SortButtonRow::place);
    grid->horizontalHeader()->installEventFilter(this);
}

bool SortButtonRow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && watched == m_grid->horizontalHeader()) place();
    return QObject::eventFilter(watched, event);
}

void SortButtonRow::place() {
    const auto* header = m_grid->horizontalHeader();
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        const int column = static_cast<int>(view::IndexOf(view::BaseColumnOf(kSortColumns[i].key)));
        // The frozen file-name column never scrolls away, nor does its button.
        const int start = column < ResultGrid::kFrozenColumns ? header->sectionPosition(column)
                                                              : header->sectionViewportPosition(column);
        const int size = header->sectionSize(column);
        const int centre = header->mapTo(m_page, QPoint(start + size / 2, 0)).x();
        const int left = centre - SortButton::kWidth / 2;
        m_buttons[i]->move(left, 1);
        // Shown only while it stands whole over the part of the header that scrolls: never over the
        // frozen columns' header or past the grid's right edge.
        int frozenWidth = 0;
        for (int frozen = 0; frozen < ResultGrid::kFrozenColumns; ++frozen) frozenWidth += header->sectionSize(frozen);
        const int frozenRight = header->mapTo(m_page, QPoint(frozenWidth, 0)).x();
        const int headerRight = header->mapTo(m_page, QPoint(header->width(), 0)).x();
        m_buttons[i]->setVisible(column < ResultGrid::kFrozenColumns ||
                                 (left >= frozenRight && left + SortButton::kWidth <= headerRight));
    }
}

void SortButtonRow::showMarks(std::optional<view::SortKey> last, const view::SortDirections& directions) {
    const auto marks = view::SortButtonMarks(last, directions);
    for (std::size_t i = 0; i < m_buttons.size(); ++i)
        m_buttons[i]->setShows(marks[static_cast<std::size_t>(kSortColumns[i].key)]);
}

}  // namespace quillmere::gui
