#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// The names of snapshot files and the lines of the motion log. The remote "list" and digit
// commands rely on both: a line's first 20 characters are always the file name and one blank.
namespace motion_log {

inline const QString file_name = QStringLiteral("motion_log.txt");

// "Pic" + yymmdd + hhmmss + ".JPG": always 19 characters.
QString snapshot_name(const QDateTime& when);

// The date in the user's short date format, the year written in full (3/15/2007 in the United
// States), and the time in the user's long time format without the zone (2:23:05 PM). The
// neutral C locale reads like the United States one.
QString date_text(const QDate& date, const QLocale& locale = QLocale());
QString time_text(const QTime& time, const QLocale& locale = QLocale());

// The time stamp drawn on a snapshot: "MM-DD-YYYY  hh:mm:ss".
QString stamp_text(const QDateTime& when);

// Appends one line and CR LF, creating the log when missing; false when it could not be written.
bool append_line(const QString& path, const QString& line);

}  // namespace motion_log
