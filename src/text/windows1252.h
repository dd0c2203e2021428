#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The single-byte code page that settings files were written in on their original platform.
namespace windows1252 {
// The bytes of a text, or nothing when a character has no code in the page.
std::optional<QByteArray> encode(const QString& text);
QString decode(const QByteArray& bytes);
}  // namespace windows1252
