#include "run/private_folder.h"

#include <sys/stat.h>
#include <QDir>
#include <QFile>

#include "log/categories.h"

namespace private_folder {

void restrict_new_files() {
    ::umask(077);
}

bool make_private(const QString& folder) {
    QDir dir(folder);
    if (!dir.exists() && !QDir().mkpath(folder)) return false;
    const QFileDevice::Permissions owner_only = QFile::ReadOwner | QFile::WriteOwner |
                                                QFile::ExeOwner | QFile::ReadUser |
                                                QFile::WriteUser | QFile::ExeUser;
    if (!QFile::setPermissions(folder, owner_only))
        qCWarning(settings_log) << "could not make" << folder << "private";
    const QStringList kept{QStringLiteral("vq.stp"),      QStringLiteral("motion_log.txt"),
                           QStringLiteral("camera.conf"), QStringLiteral("xmpp.conf"),
                           QStringLiteral("Pic*.JPG"),    QStringLiteral("Pic*.jpg")};
    const QFileDevice::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                            QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    for (const QFileInfo& file : dir.entryInfoList(kept, QDir::Files | QDir::Hidden)) {
        const QFileDevice::Permissions now = file.permissions();
        if ((now & others) == 0) continue;
        if (!QFile::setPermissions(file.filePath(), now & ~others))
            qCWarning(settings_log) << "could not make" << file.filePath() << "private";
    }
    return true;
}

}  // namespace private_folder
