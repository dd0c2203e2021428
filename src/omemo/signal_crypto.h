#pragma once

struct signal_crypto_provider;

// The ciphers, digests and random bytes the Signal protocol library asks for, from OpenSSL:
// HMAC-SHA256, SHA-512, AES-CBC with PKCS#5 padding and AES-CTR.
namespace signal_crypto {

signal_crypto_provider openssl_provider();

}  // namespace signal_crypto
