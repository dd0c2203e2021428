#include "omemo/signal_crypto.h"

#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <signal_protocol.h>
#include <memory>

namespace signal_crypto {
namespace {

// Failures the library reports as its own: anything below its smallest error code is ours.
constexpr int failure = SG_ERR_UNKNOWN;

int random_bytes(uint8_t* data, size_t length, void*) {
    return RAND_bytes(data, static_cast<int>(length)) == 1 ? 0 : failure;
}

int hmac_init(void** context, const uint8_t* key, size_t key_length, void*) {
    EVP_MAC* mac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    EVP_MAC_CTX* mac_context = mac ? EVP_MAC_CTX_new(mac) : nullptr;
    EVP_MAC_free(mac);  // the context holds its own reference
    if (!mac_context) return SG_ERR_NOMEM;
    char digest[] = "SHA256";
    const OSSL_PARAM parameters[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0), OSSL_PARAM_END};
    if (EVP_MAC_init(mac_context, key, key_length, parameters) != 1) {
        EVP_MAC_CTX_free(mac_context);
        return failure;
    }
    *context = mac_context;
    return 0;
}

int hmac_update(void* context, const uint8_t* data, size_t length, void*) {
    return EVP_MAC_update(static_cast<EVP_MAC_CTX*>(context), data, length) == 1 ? 0 : failure;
}

int hmac_final(void* context, signal_buffer** output, void*) {
    uint8_t mac[EVP_MAX_MD_SIZE];
    size_t length = 0;
    if (EVP_MAC_final(static_cast<EVP_MAC_CTX*>(context), mac, &length, sizeof mac) != 1)
        return failure;
    *output = signal_buffer_create(mac, length);
    return *output ? 0 : SG_ERR_NOMEM;
}

void hmac_cleanup(void* context, void*) {
    EVP_MAC_CTX_free(static_cast<EVP_MAC_CTX*>(context));
}

int sha512_init(void** context, void*) {
    EVP_MD_CTX* digest = EVP_MD_CTX_new();
    if (!digest) return SG_ERR_NOMEM;
    if (EVP_DigestInit_ex(digest, EVP_sha512(), nullptr) != 1) {
        EVP_MD_CTX_free(digest);
        return failure;
    }
    *context = digest;
    return 0;
}

int sha512_update(void* context, const uint8_t* data, size_t length, void*) {
    return EVP_DigestUpdate(static_cast<EVP_MD_CTX*>(context), data, length) == 1 ? 0 : failure;
}

// The library reuses the context after a final: it is started again here.
int sha512_final(void* context, signal_buffer** output, void*) {
    auto* digest = static_cast<EVP_MD_CTX*>(context);
    uint8_t value[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(digest, value, &length) != 1 ||
        EVP_DigestInit_ex(digest, EVP_sha512(), nullptr) != 1)
        return failure;
    *output = signal_buffer_create(value, length);
    return *output ? 0 : SG_ERR_NOMEM;
}

void sha512_cleanup(void* context, void*) {
    EVP_MD_CTX_free(static_cast<EVP_MD_CTX*>(context));
}

const EVP_CIPHER* aes_cipher(int mode, size_t key_length) {
    const bool cbc = mode == SG_CIPHER_AES_CBC_PKCS5;
    if (!cbc && mode != SG_CIPHER_AES_CTR_NOPADDING) return nullptr;
    switch (key_length) {
        case 16:
            return cbc ? EVP_aes_128_cbc() : EVP_aes_128_ctr();
        case 24:
            return cbc ? EVP_aes_192_cbc() : EVP_aes_192_ctr();
        case 32:
            return cbc ? EVP_aes_256_cbc() : EVP_aes_256_ctr();
        default:
            return nullptr;
    }
}

// One pass of AES in either direction; CBC pads (PKCS#5) and checks the padding, CTR does not.
int aes(bool encrypting, signal_buffer** output, int mode, const uint8_t* key, size_t key_length,
        const uint8_t* iv, size_t iv_length, const uint8_t* input, size_t input_length) {
    const EVP_CIPHER* cipher = aes_cipher(mode, key_length);
    if (!cipher || iv_length != 16) return SG_ERR_INVAL;
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(),
                                                                            &EVP_CIPHER_CTX_free);
    if (!context) return SG_ERR_NOMEM;
    signal_buffer* out = signal_buffer_alloc(input_length + EVP_MAX_BLOCK_LENGTH);
    if (!out) return SG_ERR_NOMEM;
    int written = 0;
    int last = 0;
    if (EVP_CipherInit_ex(context.get(), cipher, nullptr, key, iv, encrypting) != 1 ||
        EVP_CipherUpdate(context.get(), signal_buffer_data(out), &written, input,
                         static_cast<int>(input_length)) != 1 ||
        EVP_CipherFinal_ex(context.get(), signal_buffer_data(out) + written, &last) != 1) {
        signal_buffer_bzero_free(out);
        return failure;
    }
    *output = signal_buffer_n_copy(out, static_cast<size_t>(written + last));
    signal_buffer_bzero_free(out);
    return *output ? 0 : SG_ERR_NOMEM;
}

int encrypt(signal_buffer** output, int mode, const uint8_t* key, size_t key_length,
            const uint8_t* iv, size_t iv_length, const uint8_t* plain, size_t plain_length, void*) {
    return aes(true, output, mode, key, key_length, iv, iv_length, plain, plain_length);
}

int decrypt(signal_buffer** output, int mode, const uint8_t* key, size_t key_length,
            const uint8_t* iv, size_t iv_length, const uint8_t* cipher, size_t cipher_length,
            void*) {
    return aes(false, output, mode, key, key_length, iv, iv_length, cipher, cipher_length);
}

}  // namespace

signal_crypto_provider openssl_provider() {
    signal_crypto_provider provider{};
    provider.random_func = random_bytes;
    provider.hmac_sha256_init_func = hmac_init;
    provider.hmac_sha256_update_func = hmac_update;
    provider.hmac_sha256_final_func = hmac_final;
    provider.hmac_sha256_cleanup_func = hmac_cleanup;
    provider.sha512_digest_init_func = sha512_init;
    provider.sha512_digest_update_func = sha512_update;
    provider.sha512_digest_final_func = sha512_final;
    provider.sha512_digest_cleanup_func = sha512_cleanup;
    provider.encrypt_func = encrypt;
    provider.decrypt_func = decrypt;
    return provider;
}

}  // namespace signal_crypto
