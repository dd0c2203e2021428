#include "run/install_places.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
// The package's own folder name under share/ and under the user's data folder.
const QString package_name = QStringLiteral("videoquelm");
}  // namespace

InstallPlaces install_places(const QString& program_folder, const QString& user_data_folder) {
    const QString shared =
        QDir::cleanPath(program_folder + QStringLiteral("/../share/") + package_name);
    if (!QFileInfo(shared).isDir()) return {false, program_folder, program_folder};
    return {true, QDir::cleanPath(user_data_folder + '/' + package_name), shared};
}

InstallPlaces running_install_places() {
    // Found before any Qt application object exists, so not through applicationDirPath().
    const QString program_folder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    return install_places(program_folder,
                          QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
}
