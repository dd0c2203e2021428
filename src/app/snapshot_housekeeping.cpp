#include "app/snapshot_housekeeping.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "log/categories.h"

namespace snapshot_housekeeping {

QStringList enforce(const QString& folder, const Rules& rules, const QDateTime& now) {
    QStringList deleted;
    if (!rules.on()) return deleted;
    // Only the program's own snapshots: "Pic" + 12 digits + ".JPG".
    QFileInfoList snapshots = QDir(folder).entryInfoList({QStringLiteral("Pic????????????.JPG")},
                                                         QDir::Files, QDir::Time | QDir::Reversed);
    qint64 total = 0;
    for (const QFileInfo& file : snapshots) total += file.size();
    const qint64 most_bytes = qint64(rules.keep_megabytes) * 1024 * 1024;
    const QDateTime oldest_kept = now.addDays(-rules.keep_days);
    for (const QFileInfo& file : snapshots) {
        const bool too_old = rules.keep_days > 0 && file.lastModified() < oldest_kept;
        const bool too_much = rules.keep_megabytes > 0 && total > most_bytes;
        if (!too_old && !too_much) break;  // oldest first: the rest are newer and fit
        if (!QFile::remove(file.filePath())) {
            qCWarning(alarm_log) << "old snapshot not deleted:" << file.filePath();
            continue;
        }
        total -= file.size();
        deleted.append(file.fileName());
    }
    if (!deleted.isEmpty())
        qCInfo(alarm_log).noquote()
            << "housekeeping: deleted" << deleted.size() << "old snapshots, from" << deleted.first()
            << "to" << deleted.last();
    return deleted;
}

}  // namespace snapshot_housekeeping
