#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// A service left for months must not fill its disk: snapshots older than a number of days, and
// the oldest ones while the folder's snapshots take more than a size, are deleted. The motion
// log keeps its lines. 0 turns either rule off.
namespace snapshot_housekeeping {

struct Rules {
    int keep_days = 0;
    int keep_megabytes = 0;
    bool on() const { return keep_days > 0 || keep_megabytes > 0; }
};

// Deletes what the rules say, oldest first, and returns the names deleted (each is logged).
QStringList enforce(const QString& folder, const Rules& rules, const QDateTime& now);

}  // namespace snapshot_housekeeping
