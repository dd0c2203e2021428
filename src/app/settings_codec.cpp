#include "app/settings_codec.h"

#include <QList>

#include "text/windows1252.h"

namespace settings_codec {

QByteArray shift_text(const QByteArray& text, bool direction) {
    QByteArray result;
    result.reserve(text.size());
    for (char c : text) {
        const int code = static_cast<unsigned char>(c);
        result.append(static_cast<char>(direction ? code + shift : code - shift));
    }
    return result;
}

std::optional<QByteArray> store(const QString& value) {
    const std::optional<QByteArray> bytes = windows1252::encode(value);
    if (!bytes) return std::nullopt;
    for (char c : *bytes) {
        if (static_cast<unsigned char>(c) + shift > 255) return std::nullopt;
    }
    return shift_text(*bytes, true);
}

std::optional<QString> read(const QByteArray& line) {
    for (char c : line) {
        if (static_cast<unsigned char>(c) < shift) return std::nullopt;
    }
    return windows1252::decode(shift_text(line, false));
}

QList<QByteArray> split_lines(const QByteArray& file) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < file.size(); ++i) {
        if (file[i] != '\r' && file[i] != '\n') continue;
        lines.append(file.mid(start, i - start));
        if (file[i] == '\r' && i + 1 < file.size() && file[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < file.size()) lines.append(file.mid(start));
    return lines;
}

}  // namespace settings_codec
