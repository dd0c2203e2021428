#include "text/windows1252.h"

#include <QList>
#include <array>

namespace windows1252 {
namespace {
// 0x80..0x9F; the five unassigned codes stand for the C1 control of the same number.
constexpr std::array<char16_t, 32> high_block = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::optional<char> byte_for(char32_t code) {
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<char>(code);
    for (size_t i = 0; i < high_block.size(); ++i) {
        if (high_block[i] == code) return static_cast<char>(0x80 + i);
    }
    return std::nullopt;
}
}  // namespace

std::optional<QByteArray> encode(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (char32_t code : text.toUcs4()) {
        const std::optional<char> byte = byte_for(code);
        if (!byte) return std::nullopt;
        bytes.append(*byte);
    }
    return bytes;
}

QString decode(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    for (char byte : bytes) {
        const auto code = static_cast<unsigned char>(byte);
        text.append(code >= 0x80 && code < 0xA0 ? QChar(high_block[code - 0x80]) : QChar(code));
    }
    return text;
}
}  // namespace windows1252
