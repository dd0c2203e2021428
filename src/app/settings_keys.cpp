#include "app/settings_keys.h"

#include <QFile>
#include <limits>

#include "app/durable_file.h"
#include "app/settings_codec.h"
#include "windows/camera_settings_file.h"

namespace {
constexpr int all_lines = 23;
// Where each value sits in the file (0 is the first line).
enum Line {
    target,
    alarm_seconds,
    ring_seconds,
    settle_seconds,
    max_call_minutes,
    snapshot_folder,
    call_on_motion,
    send_picture,
    answer_calls,
    alarm_sound,
    arm_at_start,
    auto_off,
    auto_low,
    auto_high,
    auto_medium,
    alarm_file,
    left,
    right,
    top,
    bottom,
    keep_days,
    keep_megabytes,
    alarm_command,
};

enum class Kind { text, seconds, box, count };
struct Key {
    const char* name;
    int line;
    Kind kind;
};
const Key simple_keys[] = {
    {"target", target, Kind::text},
    {"alarm_seconds", alarm_seconds, Kind::seconds},
    {"ring_seconds", ring_seconds, Kind::seconds},
    {"settle_seconds", settle_seconds, Kind::seconds},
    {"max_call_minutes", max_call_minutes, Kind::seconds},
    {"snapshot_folder", snapshot_folder, Kind::text},
    {"call_on_motion", call_on_motion, Kind::box},
    {"send_picture", send_picture, Kind::box},
    {"answer_calls", answer_calls, Kind::box},
    {"alarm_sound", alarm_sound, Kind::box},
    {"arm_at_start", arm_at_start, Kind::box},
    {"alarm_file", alarm_file, Kind::text},
    {"keep_days", keep_days, Kind::count},
    {"keep_megabytes", keep_megabytes, Kind::count},
    {"alarm_command", alarm_command, Kind::text},
};
const char* const sensitivity_words[] = {"off", "low", "high", "medium"};  // lines 11 to 14

bool whole_number(const QString& text, int least, int most) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= least && value <= most && text == QString::number(value);
}
}  // namespace

SettingsKeys::SettingsKeys(const QString& app_folder) : folder_(app_folder) {
    values_ = QString("|30|10|30|30|%1/|1|0|1|0|0|False|False|False|True||1|315|1|235|0|0|")
                  .arg(app_folder)
                  .split('|');
    QFile file(folder_ + '/' + settings_codec::file_name);
    if (!file.open(QIODevice::ReadOnly)) return;
    const QList<QByteArray> stored = settings_codec::split_lines(file.read(64 * 1024));
    for (int i = 0; i < all_lines && i < stored.size(); ++i) {
        const std::optional<QString> value = settings_codec::read(stored[i]);
        if (!value) break;
        values_[i] = *value;
    }
}

QStringList SettingsKeys::keys() {
    QStringList all;
    for (const Key& key : simple_keys) all << key.name;
    return all << QStringLiteral("sensitivity") << QStringLiteral("rectangle")
               << QStringLiteral("camera");
}

QStringList SettingsKeys::lines() const {
    QStringList out;
    for (const Key& key : simple_keys) {
        out << QStringLiteral("%1=%2").arg(key.name, values_[key.line]);
        if (key.line == arm_at_start) {
            QString sensitivity = QStringLiteral("manual");
            for (int i = 0; i < 4; ++i)
                if (values_[auto_off + i].compare("True", Qt::CaseInsensitive) == 0)
                    sensitivity = sensitivity_words[i];
            out << QStringLiteral("sensitivity=") + sensitivity;
        }
        if (key.line == alarm_file)
            out << QStringLiteral("rectangle=%1,%2,%3,%4")
                       .arg(values_[left], values_[top], values_[right], values_[bottom]);
    }
    const QString device = camera_settings_file::load(camera_settings_file::path_in(folder_)).path;
    out << QStringLiteral("camera=") + (camera_.isEmpty() ? device : camera_);
    return out;
}

bool SettingsKeys::set(const QString& key, const QString& value, QString& problem) {
    if (!settings_codec::store(value)) {
        problem = QStringLiteral("%1: \"%2\" holds characters the settings file cannot keep")
                      .arg(key, value);
        return false;
    }
    if (key == QLatin1String("camera")) {
        if (value.isEmpty()) {
            problem = QStringLiteral("camera: give a device, such as /dev/video2");
            return false;
        }
        camera_ = value;
        return true;
    }
    if (key == QLatin1String("sensitivity")) {
        for (int i = 0; i < 4; ++i) {
            if (value != QLatin1String(sensitivity_words[i])) continue;
            for (int j = 0; j < 4; ++j) values_[auto_off + j] = i == j ? "True" : "False";
            return true;
        }
        problem =
            QStringLiteral("sensitivity takes off, low, medium or high, not \"%1\"").arg(value);
        return false;
    }
    if (key == QLatin1String("rectangle")) {
        const QStringList edges = value.split(',');
        bool ok = edges.size() == 4;
        for (const QString& edge : edges) ok = ok && whole_number(edge.trimmed(), -32768, 32767);
        if (!ok) {
            problem = QStringLiteral(
                          "rectangle takes left,top,right,bottom in picture units "
                          "(0..320 across, 0..240 down), not \"%1\"")
                          .arg(value);
            return false;
        }
        values_[left] = edges[0].trimmed();
        values_[top] = edges[1].trimmed();
        values_[right] = edges[2].trimmed();
        values_[bottom] = edges[3].trimmed();
        return true;
    }
    for (const Key& k : simple_keys) {
        if (key != QLatin1String(k.name)) continue;
        bool ok = true;
        QString wanted;
        switch (k.kind) {
            case Kind::text:
                break;
            case Kind::seconds:
                ok = whole_number(value, 0, 32767);
                wanted = QStringLiteral("a whole number from 0 to 32767");
                break;
            case Kind::box:
                ok = value == QLatin1String("0") || value == QLatin1String("1");
                wanted = QStringLiteral("0 or 1");
                break;
            case Kind::count:
                ok = whole_number(value, 0, std::numeric_limits<int>::max());
                wanted = QStringLiteral("a whole number, 0 for off");
                break;
        }
        if (!ok) {
            problem = QStringLiteral("%1 takes %2, not \"%3\"").arg(key, wanted, value);
            return false;
        }
        QString kept = value;
        // Snapshot names are put straight after the folder.
        if (k.line == snapshot_folder && !kept.isEmpty() && !kept.endsWith('/')) kept += '/';
        values_[k.line] = kept;
        return true;
    }
    problem = QStringLiteral("unknown setting \"%1\"; the settings are: %2")
                  .arg(key, keys().join(QStringLiteral(", ")));
    return false;
}

bool SettingsKeys::save(QString& problem) const {
    // The camera's file first: when it cannot be written, the settings are left as they were.
    if (!camera_.isEmpty()) {
        // Another device's mode and controls would not fit this one: they are chosen anew.
        const QString path = camera_settings_file::path_in(folder_);
        CameraChoice choice = camera_settings_file::load(path);
        if (choice.path != camera_)
            choice = CameraChoice{.path = camera_, .mode = {}, .controls = {}};
        if (!camera_settings_file::save(path, choice)) {
            problem = QStringLiteral("%1 cannot be written").arg(path);
            return false;
        }
    }
    const bool later_used = values_[keep_days] != QLatin1String("0") ||
                            values_[keep_megabytes] != QLatin1String("0") ||
                            !values_[alarm_command].isEmpty();
    QByteArray content;
    for (int i = 0; i < (later_used ? all_lines : settings_codec::line_count); ++i)
        content += settings_codec::store(values_[i]).value_or(QByteArray()) + "\r\n";
    return durable_file::write(
        folder_ + '/' + settings_codec::file_name,
        [&content](QIODevice& file) { return file.write(content) == content.size(); }, &problem);
}
