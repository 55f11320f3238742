#include <unistd.h>

#include <cstdlib>

#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "gui/CommandLine.h"
#include "gui/MainWindow.h"

namespace {

// The working folder as the file system names it.
std::string currentFolder() {
    std::string folder;
    if (char* current = ::getcwd(nullptr, 0)) {
        folder = current;
        std::free(current);
    }
    return folder;
}

}  // namespace

int main(int argc, char* argv[]) {
    quillmere::gui::CommandLine commandLine;
    // QApplication needs a display; the help and the version are printed without one.
    const std::unique_ptr<QCoreApplication> application =
        commandLine.asksOnlyForText(argc, argv)
            ? std::make_unique<QCoreApplication>(argc, argv)
            : std::make_unique<QApplication>(argc, argv);  // takes Qt's own options out of argv
    QCoreApplication::setApplicationName(quillmere::gui::kApplicationTitle);
    QCoreApplication::setApplicationVersion(QUILLMERE_VERSION);
    commandLine.process(QCoreApplication::arguments());

    // The desktop file and the icon are named after the application's id; the built-in icon stands
    // in where no icon theme has it (a program run from its build folder).
    QGuiApplication::setDesktopFileName("io.github.quillmere.Quillmere");
    QApplication::setWindowIcon(
        QIcon::fromTheme("io.github.quillmere.Quillmere", QIcon(":/io.github.quillmere.Quillmere.svg")));
    quillmere::gui::MainWindow window;
    window.show();
    if (const auto profile = commandLine.profile()) window.openProfile(*profile);
    if (const auto tournament = commandLine.tournament()) window.openTournament(*tournament);
    // A folder stands for the regular files in it, as on the command line of quillmere-report; what
    // is passed over is listed.
    const auto paths = commandLine.savePaths(argc, argv, currentFolder());
    const bool quitting = commandLine.quitsAfterLoad();
    if (!paths.empty()) {
        QTimer::singleShot(0, &window, [&window, paths, quitting] {
            // With nothing loaded no load can finish: a scripted check ends here, as failed.
            if (!window.loadPaths(paths) && quitting) QApplication::exit(1);
        });
    }
    if (quitting) {
        QObject::connect(&window, &quillmere::gui::MainWindow::loadFinished, application.get(),
                         [&window] { QApplication::exit(window.lastLoad().allAnalysed() ? 0 : 1); });
    }
    return QApplication::exec();
}
