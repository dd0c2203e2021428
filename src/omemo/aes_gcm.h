#pragma once

#include <QByteArray>
#include <optional>

// AES in Galois/counter mode through OpenSSL, with the 16-byte tag kept at the end of the
// ciphertext. The key's length chooses AES-128 (16 bytes) or AES-256 (32 bytes).
namespace aes_gcm {

inline constexpr int tag_size = 16;

// `plain` encrypted, its tag appended; nullopt for a key or IV of a length AES-GCM has not.
std::optional<QByteArray> encrypt(const QByteArray& key, const QByteArray& iv,
                                  const QByteArray& plain);
// The plain text of `sealed` (ciphertext and tag), or nullopt when the tag does not match: a
// wrong key, IV or any changed byte.
std::optional<QByteArray> decrypt(const QByteArray& key, const QByteArray& iv,
                                  const QByteArray& sealed);

// Bytes from OpenSSL's generator; empty when it failed (never predictable bytes instead).
QByteArray random_bytes(int count);

}  // namespace aes_gcm
