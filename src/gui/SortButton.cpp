#include "gui/SortButton.h"

#include <QPainter>
#include <QPixmap>
#include <QPolygon>

namespace quillmere::gui {

namespace {

// 16 by 16, transparent around a triangle 13 pixels wide at its top and 7 rows high.
QPixmap SortArrow() {
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(QColor(0x00, 0xFF, 0xFF));
    painter.drawPolygon(QPolygon({QPoint(1, 4), QPoint(13, 4), QPoint(7, 10)}));
    return picture;
}

}  // namespace

SortButton::SortButton(const QString& name, QWidget* parent) : QToolButton(parent) {
    setObjectName(name);
    setIcon(QIcon(SortArrow()));
    setIconSize(QSize(16, 16));
    setFixedSize(kWidth, kHeight);
    setFocusPolicy(Qt::TabFocus);
}

}  // namespace quillmere::gui
