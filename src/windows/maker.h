#pragma once

#include <QString>

// Who makes the program and where to find newer versions: the texts of the start-up window's
// and the About window's maker, author, year and contact lines.
namespace maker {
inline const QString name = QStringLiteral("Quelm Works");
inline const QString author = QStringLiteral("The Video Quelm developers");
inline const QString year = QStringLiteral("\u00A9 2026");
inline const QString web_address = QStringLiteral("https://quelm.example.org");
inline const QString contact =
    QStringLiteral("Newer versions and help: quelm.example.org - write to quelm@example.org");
}  // namespace maker
