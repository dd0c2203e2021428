#pragma once

#include <QString>

// Who makes the program and where to find newer versions: the texts of the start-up window's
// and the About window's maker, author, year and contact lines.
namespace maker {
inline const QString name = QStringLiteral("Quelm Works");
inline const QString author = QStringLiteral("The Video Quelm developers");
inline const QString year = QStringLiteral("\u00A9 2026");
// No made-up web or mail address: where help is, on the machine itself.
inline const QString web_address = QStringLiteral("Help: man videoquelm");
inline const QString contact =
    QStringLiteral("Help: Help > Instructions in the program, or man videoquelm");
}  // namespace maker
