#pragma once

#include <QFont>
#include <QString>

// A caption broken into lines that fit a width, as the check boxes and option buttons of the
// windows show captions longer than their box.
QString wrapped_text(const QString& text, const QFont& font, int width);
