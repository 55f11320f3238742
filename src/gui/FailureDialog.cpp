#include "gui/FailureDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/ApplicationTitle.h"

namespace quillmere::gui {

namespace {

constexpr int kLeastWidth = 560;
constexpr int kLeastHeight = 200;

}  // namespace

FailureDialog::FailureDialog(const QString& heading, const QStringList& lines, QWidget* parent) : QDialog(parent) {
    setObjectName("FailureList");
    setWindowTitle(kApplicationTitle);
    setAttribute(Qt::WA_DeleteOnClose);
    setSizeGripEnabled(true);
    auto* layout = new QVBoxLayout(this);
    auto* caption = new QLabel(heading, this);
    caption->setWordWrap(true);
    layout->addWidget(caption);
    auto* list = new QListWidget(this);
    list->addItems(lines);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    // As wide and tall as the lines need, never more than most of the screen: then the list
    // scrolls, and its height leaves room for the scroll bar under the last line.
    const QScreen* shown = parent != nullptr ? parent->screen() : screen();
    const QSize most = shown != nullptr ? shown->availableGeometry().size() * 3 / 4 : QSize(900, 600);
    const int bars = list->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2 * list->frameWidth();
    const int width =
        std::clamp(list->sizeHintForColumn(0) + bars + 40, kLeastWidth, std::max(kLeastWidth, most.width()));
    const int rows = list->sizeHintForRow(0) * static_cast<int>(lines.size());
    const int chrome = caption->sizeHint().height() + buttons->sizeHint().height() + 4 * layout->spacing() + 24;
    resize(QSize(width, chrome + rows + bars).boundedTo(most.expandedTo(QSize(kLeastWidth, kLeastHeight))));
}

}  // namespace quillmere::gui
