#include <gtest/gtest.h>
#include <QGuiApplication>
#include <QLocale>

// Snapshots are stamped with text, which needs the GUI font machinery (offscreen is enough).
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QLocale::setDefault(QLocale::c());  // dates in the log read the same on every machine
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
