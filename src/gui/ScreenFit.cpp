#include "gui/ScreenFit.h"

#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <algorithm>

namespace quillmere::gui {

namespace {

constexpr QSize kFrameAllowance(16, 56);  // a window manager's borders and title bar

}  // namespace

void FitToScreen(QMainWindow& window, QSize smallestClient) {
    const QScreen* shown = window.screen();
    if (shown == nullptr) return;
    const QRect available = shown->availableGeometry();
    // Room for a window manager's frame, which is not known before the window is shown.
    const QSize frame = (window.frameGeometry().size() - window.geometry().size()).expandedTo(kFrameAllowance);
    const QSize most = available.size() - frame;
    const int bars = window.menuBar()->sizeHint().height() + window.statusBar()->sizeHint().height();
    window.centralWidget()->setMinimumSize(smallestClient.boundedTo(most - QSize(0, bars)));
    if (window.width() > most.width() || window.height() > most.height()) window.resize(window.size().boundedTo(most));
    const QRect place(window.frameGeometry().topLeft(), window.size() + frame);
    if (!available.contains(place)) {
        window.move(
            std::clamp(place.left(), available.left(), std::max(available.left(), available.right() - place.width())),
            std::clamp(place.top(), available.top(), std::max(available.top(), available.bottom() - place.height())));
    }
}

}  // namespace quillmere::gui
