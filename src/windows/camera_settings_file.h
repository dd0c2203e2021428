#pragma once

#include <QString>

#include "seams/camera_device.h"

// The camera's device, mode and control values, in a settings file of their own beside the
// program's settings file (an INI file a user may also edit by hand).
namespace camera_settings_file {

// The file in an application folder.
QString path_in(const QString& app_folder);
// Nothing chosen when the file is missing or says nothing usable.
CameraChoice load(const QString& path);
// False, with a warning logged, when the file could not be written.
bool save(const QString& path, const CameraChoice& choice);

}  // namespace camera_settings_file
