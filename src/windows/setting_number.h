#pragma once

#include <QString>
#include <cmath>

// The settings are kept as text in the settings dialog's boxes and read as numbers where they
// are used. A text that is not a number (only a damaged settings file can give one) counts as
// the setting's default, so no count waits for a value it can never reach.
inline double setting_number(const QString& text, double fallback) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(value) ? value : fallback;
}
