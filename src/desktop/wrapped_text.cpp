#include "desktop/wrapped_text.h"

#include <QFontMetrics>
#include <QStringList>

QString wrapped_text(const QString& text, const QFont& font, int width) {
    const QFontMetrics metrics(font);
    if (width <= 0 || metrics.horizontalAdvance(text) <= width) return text;
    QStringList lines;
    QString line;
    for (const QString& word : text.split(' ', Qt::SkipEmptyParts)) {
        const QString longer = line.isEmpty() ? word : line + ' ' + word;
        if (!line.isEmpty() && metrics.horizontalAdvance(longer) > width) {
            lines.append(line);
            line = word;
        } else {
            line = longer;
        }
    }
    if (!line.isEmpty()) lines.append(line);
    return lines.join('\n');
}
