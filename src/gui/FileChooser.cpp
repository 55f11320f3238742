#include "gui/FileChooser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "gui/QtText.h"
#include "gui/WindowSettings.h"

namespace quillmere::gui {

FileChooser::FileChooser(WindowSettings& settings, QWidget* window, std::function<QString()> pathBox)
    : m_settings(settings), m_window(window), m_pathBox(std::move(pathBox)) {}

QStringList FileChooser::savesToLoad() {
    QFileDialog dialog(m_window);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters({"Saves (*.sav)", "Text files (*.txt)", "All files (*)"});
    dialog.selectNameFilter("All files (*)");
    dialog.setDirectory(startFolder("load"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    remember("load", dialog.selectedFiles().first());
    return dialog.selectedFiles();
}

QString FileChooser::folderToLoad() {
    return remember("load", QFileDialog::getExistingDirectory(m_window, tr("Load Folder"), startFolder("load")));
}

QString FileChooser::resultsFile() {
    QFileDialog dialog(m_window);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("txt");
    dialog.selectFile(QDir(startFolder("save")).filePath(FromUtf8(session::kReportKinds[0].fileName)));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return remember("save", dialog.selectedFiles().first());
}

QString FileChooser::exportFile(const session::ReportKind& kind) {
    return remember("export", QFileDialog::getSaveFileName(
                                  m_window, tr("Export"), QDir(startFolder("export")).filePath(FromUtf8(kind.fileName)),
                                  FromUtf8(kind.fileFilter)));
}

QString FileChooser::graphImage() {
    return remember("export", QFileDialog::getSaveFileName(m_window, tr("Save Graph"),
                                                           QDir(startFolder("export")).filePath("Graph.png"),
                                                           tr("PNG images (*.png);;SVG drawings (*.svg)")));
}

QString FileChooser::profileToOpen() {
    return remember("profile", QFileDialog::getOpenFileName(m_window, tr("Open Profile"), startFolder("profile"),
                                                            tr("Tournament profiles (*.json);;All files (*)")));
}

QString FileChooser::profileToSave(const QString& fileName) {
    return remember("profile", QFileDialog::getSaveFileName(m_window, tr("Save Profile"),
                                                            QDir(startFolder("profile")).filePath(fileName),
                                                            tr("Tournament profiles (*.json)")));
}

QString FileChooser::tournamentToOpen() {
    return remember("tournament",
                    QFileDialog::getOpenFileName(m_window, tr("Open Tournament"), startFolder("tournament"),
                                                 tr("Tournament archives (*.qmt);;All files (*)")));
}

QString FileChooser::tournamentToCreate() {
    QFileDialog dialog(m_window, tr("New Tournament"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("qmt");
    dialog.setNameFilter(tr("Tournament archives (*.qmt)"));
    // The archive refuses a file that exists: replacing one would lose a season.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.selectFile(QDir(startFolder("tournament")).filePath("season.qmt"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return remember("tournament", dialog.selectedFiles().first());
}

QString FileChooser::remember(const QString& purpose, const QString& path) {
    if (!path.isEmpty()) m_settings.setFolder(purpose, QFileInfo(path).isDir() ? path : QFileInfo(path).absolutePath());
    return path;
}

QString FileChooser::startFolder(const QString& purpose) const {
    const QString pathBox = m_pathBox();
    if (!pathBox.isEmpty() && purpose != "load") return pathBox;
    const QString remembered = m_settings.folder(purpose);
    if (!remembered.isEmpty()) return remembered;
    return pathBox.isEmpty() ? QDir::currentPath() : pathBox;
}

}  // namespace quillmere::gui
