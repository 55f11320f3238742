#include "gui/SortButton.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>

namespace quillmere::gui {

namespace {

// 16 by 16, transparent around a triangle 13 pixels wide and 7 rows high, pointing down or up, in
// a deeper colour; an inactive button shows a dot, so that no state reads as an order it is not.
QPixmap SortArrow(SortButton::Shows shows) {
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setPen(QPen(Qt::black, 1));
    const bool active = shows != SortButton::Shows::Key;
    painter.setBrush(active ? QColor(0x00, 0x99, 0xCC) : QColor(0x00, 0xFF, 0xFF));
    if (shows == SortButton::Shows::Key) {
        painter.drawEllipse(QRect(4, 4, 6, 6));
    } else if (shows == SortButton::Shows::Ascending) {
        painter.drawPolygon(QPolygon({QPoint(1, 10), QPoint(13, 10), QPoint(7, 4)}));
    } else {
        painter.drawPolygon(QPolygon({QPoint(1, 4), QPoint(13, 4), QPoint(7, 10)}));
    }
    return picture;
}

}  // namespace

SortButton::SortButton(const QString& name, QWidget* parent) : QToolButton(parent) {
    setObjectName(name);
    setIconSize(QSize(16, 16));
    setFixedSize(kWidth, kHeight);
    setFocusPolicy(Qt::TabFocus);
    setShows(Shows::Key);
}

void SortButton::setShows(Shows shows) {
    m_shows = shows;
    setIcon(QIcon(SortArrow(shows)));
    setToolTip(QString::fromUtf8(view::SortMarkTitle(shows)));
}

void SortButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QToolButton::keyPressEvent(event);
}

}  // namespace quillmere::gui
