#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Files shared encrypted the way the apps show them inline: the file encrypted with AES-256-GCM
// under a random key and IV, the ciphertext (with its tag at the end) uploaded, and the address
// handed out as aesgcm://host/path#<iv hex><key hex> inside an encrypted message.
namespace aesgcm {

struct Sealed {
    QByteArray ciphertext;  // with the 16-byte tag at its end
    QByteArray iv;          // 12 bytes
    QByteArray key;         // 32 bytes
};

std::optional<Sealed> seal(const QByteArray& plain);
// The plain file, or nullopt when the key, IV or tag do not match.
std::optional<QByteArray> open(const QByteArray& ciphertext, const QByteArray& iv,
                               const QByteArray& key);
// https://host/path -> aesgcm://host/path#<iv><key>
QString url(const QString& https_url, const QByteArray& iv, const QByteArray& key);

}  // namespace aesgcm
