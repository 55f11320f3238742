#pragma once

class QTabWidget;

namespace quillmere::gui {

class MainWindow;

// Gives `window` its menus and keys: File (loading, saving, exports, the graph image, profiles,
// Quit), Edit (Copy Rows, Reset Rules), View (Ctrl+1... for each tab of `pages`) and Help.
void CreateWindowMenus(MainWindow& window, QTabWidget& pages);

}  // namespace quillmere::gui
