#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "gui/MainWindow.h"

namespace {

// The save paths of the command line as the file system names them: Qt's own text of an argument
// loses a name that is not valid UTF-8. Relative paths are made absolute, so that the Path box
// names the folder.
std::vector<std::string> savePathsOf(int argc, char** argv) {
    std::string folder;
    if (char* current = ::getcwd(nullptr, 0)) {
        folder = current;
        std::free(current);
    }
    std::vector<std::string> paths;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && argument == "--profile") {
            ++i;  // its value is a profile, not a save
        } else if (optionsEnded || !argument.starts_with('-')) {
            paths.push_back(argument.starts_with('/') || folder.empty() ? argument : folder + "/" + argument);
        }
    }
    return paths;
}

// Whether the command line only asks for the help or the version, which need no display.
bool asksOnlyForText(int argc, char** argv) {
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        for (const char* option : {"-h", "--help", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argv[i], option) == 0) return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char* argv[]) {
    // QApplication needs a display; the help and the version are printed without one.
    const std::unique_ptr<QCoreApplication> application =
        asksOnlyForText(argc, argv) ? std::make_unique<QCoreApplication>(argc, argv)
                                    : std::make_unique<QApplication>(argc, argv);  // takes Qt's own options out of argv
    QCoreApplication::setApplicationName(quillmere::gui::kApplicationTitle);
    QCoreApplication::setApplicationVersion(QUILLMERE_VERSION);

    QCommandLineParser parser;
    parser.setApplicationDescription("Reads tournament save files and judges every player's game.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument("FILE", "Save files to load at start-up, as Load File does.", "[FILE...]");
    const QCommandLineOption quitAfterLoad("quit-after-load",
                                           "Close the window once the files given are loaded and shown (for scripted "
                                           "checks); the exit status is 1 when some file failed.");
    parser.addOption(quitAfterLoad);
    const QCommandLineOption profile("profile", "Open a tournament profile, as File > Open Profile does.", "FILE");
    parser.addOption(profile);
    parser.process(*application);

    // The desktop file and the icon are named after the application's id; the built-in icon stands
    // in where no icon theme has it (a program run from its build folder).
    QGuiApplication::setDesktopFileName("io.github.quillmere.Quillmere");
    QApplication::setWindowIcon(
        QIcon::fromTheme("io.github.quillmere.Quillmere", QIcon(":/io.github.quillmere.Quillmere.svg")));
    quillmere::gui::MainWindow window;
    window.show();
    if (parser.isSet(profile)) window.openProfile(parser.value(profile));
    // A folder stands for the regular files in it, as on the command line of quillmere-report; what
    // is passed over is listed.
    const auto paths = savePathsOf(argc, argv);
    const bool quitting = parser.isSet(quitAfterLoad);
    if (!paths.empty()) {
        QTimer::singleShot(0, &window, [&window, paths, quitting] {
            // With nothing loaded no load can finish: a scripted check ends here, as failed.
            if (!window.loadPaths(paths) && quitting) QApplication::exit(1);
        });
    }
    if (parser.isSet(quitAfterLoad)) {
        QObject::connect(&window, &quillmere::gui::MainWindow::loadFinished, application.get(),
                         [&window] { QApplication::exit(window.lastLoad().allAnalysed() ? 0 : 1); });
    }
    return QApplication::exec();
}
