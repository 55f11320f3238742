#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>

// Window tests need one QApplication for the whole run; they never need a screen.
int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setApplicationName("Quillmere");
    // A window made without its own settings must not touch the user's.
    QStandardPaths::setTestModeEnabled(true);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
