#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QTimer>

#include "app/TForm1.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(quillmere::app::kApplicationTitle);
    QApplication::setApplicationVersion(quillmere::app::kApplicationVersion);

    QCommandLineParser parser;
    parser.setApplicationDescription("Reads tournament save files and judges every player's game.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument("FILE", "Save files to load at start-up, as Load File does.", "[FILE...]");
    parser.process(application);

    quillmere::app::TForm1 window;
    window.show();
    // Absolute paths, so that the Path box names the folder even for files named relatively.
    QStringList files;
    for (const auto& file : parser.positionalArguments()) files << QFileInfo(file).absoluteFilePath();
    if (!files.isEmpty()) QTimer::singleShot(0, &window, [&window, files] { window.loadFiles(files); });
    return QApplication::exec();
}
