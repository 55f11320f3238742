#pragma once

#include <QSize>

class QMainWindow;

namespace quillmere::gui {

// Keeps `window` within its screen's available area, a window manager's frame included: shrinks
// it where it is larger and moves it in where it stands out, and lets its client area (the central
// widget) shrink below `smallestClient` only as far as the screen needs.
void FitToScreen(QMainWindow& window, QSize smallestClient);

}  // namespace quillmere::gui
