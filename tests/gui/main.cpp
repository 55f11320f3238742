#include <gtest/gtest.h>

#include <QApplication>

// Window tests need one QApplication for the whole run; they never need a screen.
int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setApplicationName("Quillmere");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
