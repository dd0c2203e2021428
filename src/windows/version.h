#pragma once

#include <QString>

namespace app {
inline const QString title = QStringLiteral("Video Quelm");
constexpr int version_major = 1;
constexpr int version_minor = 0;
constexpr int version_revision = 13;

// "Version 1.0.13": plain decimal numbers, no padding.
inline QString version_line() {
    return QStringLiteral("Version %1.%2.%3")
        .arg(version_major)
        .arg(version_minor)
        .arg(version_revision);
}
}  // namespace app
