#include "omemo/aesgcm_file.h"

#include <QUrl>

#include "omemo/aes_gcm.h"

namespace aesgcm {

std::optional<Sealed> seal(const QByteArray& plain) {
    Sealed sealed{
        .ciphertext = {}, .iv = aes_gcm::random_bytes(12), .key = aes_gcm::random_bytes(32)};
    if (sealed.iv.isEmpty() || sealed.key.isEmpty()) return std::nullopt;
    auto ciphertext = aes_gcm::encrypt(sealed.key, sealed.iv, plain);
    if (!ciphertext) return std::nullopt;
    sealed.ciphertext = std::move(*ciphertext);
    return sealed;
}

std::optional<QByteArray> open(const QByteArray& ciphertext, const QByteArray& iv,
                               const QByteArray& key) {
    // The apps send a 12-byte IV today, some older ones 16; the key is always AES-256's.
    if (key.size() != 32 || (iv.size() != 12 && iv.size() != 16)) return std::nullopt;
    return aes_gcm::decrypt(key, iv, ciphertext);
}

QString url(const QString& https_url, const QByteArray& iv, const QByteArray& key) {
    QUrl address(https_url);
    address.setScheme(QStringLiteral("aesgcm"));
    address.setFragment(QString::fromLatin1((iv + key).toHex()));
    return address.toString(QUrl::FullyEncoded);
}

}  // namespace aesgcm
