#include "windows/camera_settings_file.h"

#include <QSettings>

#include "log/categories.h"

namespace camera_settings_file {
namespace {
std::optional<CameraMode> mode_of(const QSettings& file) {
    CameraMode mode;
    mode.format = file.value("mode/format").toString();
    mode.width = file.value("mode/width").toInt();
    mode.height = file.value("mode/height").toInt();
    const QStringList rate = file.value("mode/framerate").toString().split('/');
    mode.fps_numerator = rate.value(0).toInt();
    mode.fps_denominator = rate.value(1, QStringLiteral("1")).toInt();
    const bool whole = !mode.format.isEmpty() && mode.width > 0 && mode.height > 0 &&
                       mode.fps_numerator > 0 && mode.fps_denominator > 0;
    if (!whole) return std::nullopt;
    return mode;
}
}  // namespace

QString path_in(const QString& app_folder) {
    return app_folder + QStringLiteral("/camera.conf");
}

CameraChoice load(const QString& path) {
    QSettings file(path, QSettings::IniFormat);
    CameraChoice choice;
    choice.path = file.value("device/path").toString();
    choice.mode = mode_of(file);
    file.beginGroup("controls");
    for (const QString& key : file.childKeys()) {
        bool id_ok = false;
        bool value_ok = false;
        const unsigned id = key.toUInt(&id_ok);
        const int value = file.value(key).toInt(&value_ok);
        if (id_ok && value_ok) choice.controls[id] = value;
    }
    return choice;
}

bool save(const QString& path, const CameraChoice& choice) {
    QSettings file(path, QSettings::IniFormat);
    file.clear();
    if (!choice.path.isEmpty()) file.setValue("device/path", choice.path);
    if (const std::optional<CameraMode>& mode = choice.mode) {
        file.setValue("mode/format", mode->format);
        file.setValue("mode/width", mode->width);
        file.setValue("mode/height", mode->height);
        file.setValue("mode/framerate",
                      QStringLiteral("%1/%2").arg(mode->fps_numerator).arg(mode->fps_denominator));
    }
    for (const auto& [id, value] : choice.controls) {
        file.setValue(QStringLiteral("controls/%1").arg(id), value);
    }
    file.sync();
    if (file.status() == QSettings::NoError) return true;
    qCWarning(settings_log) << "Cannot write the camera settings to" << path;
    return false;
}

}  // namespace camera_settings_file
