#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/install_places.h"
#include "qt_printers.h"

namespace {

TEST(InstallPlaces, AnInstalledCopyKeepsTheUsersThingsInTheirDataFolder) {
    QTemporaryDir root;
    for (const char* folder : {"usr/bin", "usr/share/videoquelm", "opt/vq/bin",
                               "opt/vq/share/videoquelm", "build/release/src"})
        ASSERT_TRUE(QDir(root.path()).mkpath(folder));
    // An installed copy counts as installed even where nobody may write.
    QFile::setPermissions(root.filePath("opt/vq/bin"),
                          QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    const QString data = root.filePath("home/.local/share");

    struct Case {
        QString program_folder;
        bool installed;
        QString app_folder, documents_folder;
    };
    const Case cases[] = {
        {root.filePath("usr/bin"), true, data + "/videoquelm",
         root.filePath("usr/share/videoquelm")},
        {root.filePath("opt/vq/bin"), true, data + "/videoquelm",
         root.filePath("opt/vq/share/videoquelm")},
        {root.filePath("build/release/src"), false, root.filePath("build/release/src"),
         root.filePath("build/release/src")},
    };
    for (const Case& c : cases) {
        const InstallPlaces places = install_places(c.program_folder, data);
        EXPECT_EQ(places.installed, c.installed) << c.program_folder;
        EXPECT_EQ(places.app_folder, c.app_folder) << c.program_folder;
        EXPECT_EQ(places.documents_folder, c.documents_folder) << c.program_folder;
    }
}

}  // namespace
