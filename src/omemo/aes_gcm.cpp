#include "omemo/aes_gcm.h"

#include <openssl/evp.h>
#include <openssl/rand.h>
#include <memory>

namespace aes_gcm {
namespace {

using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

const EVP_CIPHER* cipher_for(const QByteArray& key) {
    if (key.size() == 16) return EVP_aes_128_gcm();
    if (key.size() == 32) return EVP_aes_256_gcm();
    return nullptr;
}

const unsigned char* bytes(const QByteArray& data) {
    return reinterpret_cast<const unsigned char*>(data.constData());
}

unsigned char* bytes(QByteArray& data) {
    return reinterpret_cast<unsigned char*>(data.data());
}

// The context set up for `key` and `iv`, or null when either is unusable.
CipherContext started(const QByteArray& key, const QByteArray& iv, bool encrypting) {
    CipherContext context(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    const EVP_CIPHER* cipher = cipher_for(key);
    if (!context || !cipher || iv.isEmpty() ||
        EVP_CipherInit_ex(context.get(), cipher, nullptr, nullptr, nullptr, encrypting) != 1 ||
        EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(iv.size()),
                            nullptr) != 1 ||
        EVP_CipherInit_ex(context.get(), nullptr, nullptr, bytes(key), bytes(iv), encrypting) != 1)
        return {nullptr, &EVP_CIPHER_CTX_free};
    return context;
}

}  // namespace

std::optional<QByteArray> encrypt(const QByteArray& key, const QByteArray& iv,
                                  const QByteArray& plain) {
    CipherContext context = started(key, iv, true);
    if (!context) return std::nullopt;
    QByteArray out(plain.size() + tag_size, Qt::Uninitialized);
    int written = 0;
    int last = 0;
    if (EVP_EncryptUpdate(context.get(), bytes(out), &written, bytes(plain),
                          static_cast<int>(plain.size())) != 1 ||
        EVP_EncryptFinal_ex(context.get(), bytes(out) + written, &last) != 1 ||
        EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_GET_TAG, tag_size,
                            bytes(out) + written + last) != 1)
        return std::nullopt;
    out.resize(written + last + tag_size);
    return out;
}

std::optional<QByteArray> decrypt(const QByteArray& key, const QByteArray& iv,
                                  const QByteArray& sealed) {
    if (sealed.size() < tag_size) return std::nullopt;
    CipherContext context = started(key, iv, false);
    if (!context) return std::nullopt;
    const qsizetype length = sealed.size() - tag_size;
    QByteArray tag = sealed.right(tag_size);
    QByteArray out(length, Qt::Uninitialized);
    int written = 0;
    int last = 0;
    if (EVP_DecryptUpdate(context.get(), bytes(out), &written, bytes(sealed),
                          static_cast<int>(length)) != 1 ||
        EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_SET_TAG, tag_size, bytes(tag)) != 1 ||
        EVP_DecryptFinal_ex(context.get(), bytes(out) + written, &last) != 1)
        return std::nullopt;
    out.resize(written + last);
    return out;
}

QByteArray random_bytes(int count) {
    QByteArray out(count, Qt::Uninitialized);
    if (count > 0 && RAND_bytes(bytes(out), count) != 1) return {};
    return out;
}

}  // namespace aes_gcm
