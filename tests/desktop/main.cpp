#include <gtest/gtest.h>
#include <QApplication>
#include <QLocale>

#include "desktop/desktop_look.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QLocale::setDefault(QLocale::c());
    apply_desktop_look();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
