#pragma once

#include <QString>

#include "windows/version_numbers.h"  // made from CMakeLists.txt

namespace app {
inline const QString title = QStringLiteral("Video Quelm");

// "Version 1.0.13": plain decimal numbers, no padding.
inline QString version_line() {
    return QStringLiteral("Version %1.%2.%3")
        .arg(version_major)
        .arg(version_minor)
        .arg(version_revision);
}
}  // namespace app
