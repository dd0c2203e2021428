#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The settings file "vq.stp" keeps each value on a line of its own, every character's
// single-byte code shifted up by 50 so that a line never holds a comma, a quote or a blank.
namespace settings_codec {

inline const QString file_name = QStringLiteral("vq.stp");
constexpr int line_count = 20;
constexpr int shift = 50;

// Adds 50 to every code (direction true, storing) or takes it off (false, reading).
QByteArray shift_text(const QByteArray& text, bool direction);

// A value as its stored line, or nothing when it holds a character the format cannot keep
// (no Windows-1252 code, or a code above 205).
std::optional<QByteArray> store(const QString& value);
// A stored line back as its value, or nothing when a code falls below 0.
std::optional<QString> read(const QByteArray& line);

// The file's lines without their ends (CR LF, and a lone LF or CR from an edited file).
QList<QByteArray> split_lines(const QByteArray& file);

}  // namespace settings_codec
