#include "motion_log/motion_log.h"

#include <QFile>

namespace motion_log {
namespace {
QLocale effective(const QLocale& locale) {
    return locale.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates)
                                           : locale;
}
}  // namespace

QString snapshot_name(const QDateTime& when) {
    return QStringLiteral("Pic") + when.toString(QStringLiteral("yyMMdd")) +
           when.toString(QStringLiteral("HHmmss")) + QStringLiteral(".JPG");
}

QString date_text(const QDate& date, const QLocale& locale) {
    const QLocale used = effective(locale);
    QString format = used.dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return used.toString(date, format);
}

QString time_text(const QTime& time, const QLocale& locale) {
    const QLocale used = effective(locale);
    QString format = used.timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return used.toString(time, format.trimmed());
}

QString stamp_text(const QDateTime& when) {
    return when.toString(QStringLiteral("MM-dd-yyyy  HH:mm:ss"));
}

bool append_line(const QString& path, const QString& line) {
    QFile log(path);
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append)) return false;
    const QByteArray bytes = line.toLocal8Bit() + "\r\n";
    return log.write(bytes) == bytes.size() && log.flush();
}

}  // namespace motion_log
