#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <functional>

#include "session/Session.h"

class QWidget;

namespace quillmere::gui {

class WindowSettings;

// The window's file dialogs. Each starts in the folder last used for its purpose (or in the folder
// the Path box names) and remembers the folder of what was chosen. Every choice returns empty when
// the dialog is cancelled.
class FileChooser {
    Q_DECLARE_TR_FUNCTIONS(FileChooser)

public:
    // Dialogs stand over `window`; `pathBox` gives the Path box's text as it stands.
    FileChooser(WindowSettings& settings, QWidget* window, std::function<QString()> pathBox);

    [[nodiscard]] QStringList savesToLoad();
    [[nodiscard]] QString folderToLoad();
    // Save Results' file, asking before replacing one, with the results file's name proposed.
    [[nodiscard]] QString resultsFile();
    [[nodiscard]] QString exportFile(const session::ReportKind& kind);
    [[nodiscard]] QString graphImage();
    [[nodiscard]] QString profileToOpen();
    // A file for the profile in force, proposing `fileName` for it.
    [[nodiscard]] QString profileToSave(const QString& fileName);
    [[nodiscard]] QString tournamentToOpen();
    // A file for a new tournament archive; an existing one is not offered for replacing.
    [[nodiscard]] QString tournamentToCreate();

private:
    // The path chosen, after remembering its folder for `purpose`; empty stays empty.
    QString remember(const QString& purpose, const QString& path);
    [[nodiscard]] QString startFolder(const QString& purpose) const;

    WindowSettings& m_settings;
    QWidget* m_window;
    std::function<QString()> m_pathBox;
};

}  // namespace quillmere::gui
