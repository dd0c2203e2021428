#include <gtest/gtest.h>

#include "omemo/aesgcm_file.h"

namespace {

TEST(AesgcmFile, SealedFileOpensOnlyWithItsKeyIvAndTag) {
    const QByteArray picture = QByteArray("\xff\xd8\xff\xe0 JPEG") + QByteArray(5000, '\x7f');
    const auto sealed = aesgcm::seal(picture);
    ASSERT_TRUE(sealed);
    EXPECT_EQ(sealed->iv.size(), 12);
    EXPECT_EQ(sealed->key.size(), 32);
    EXPECT_EQ(sealed->ciphertext.size(), picture.size() + 16);
    EXPECT_FALSE(sealed->ciphertext.contains("JPEG"));
    EXPECT_EQ(aesgcm::open(sealed->ciphertext, sealed->iv, sealed->key), picture);
    // Every file has its own key and IV.
    const auto again = aesgcm::seal(picture);
    EXPECT_NE(again->key, sealed->key);
    EXPECT_NE(again->iv, sealed->iv);

    const auto flipped = [](QByteArray bytes, qsizetype at) {
        bytes[at] = char(bytes[at] ^ 0x80);
        return bytes;
    };
    const QByteArray& c = sealed->ciphertext;
    const QByteArray& iv = sealed->iv;
    const QByteArray& key = sealed->key;
    const std::vector<std::tuple<const char*, QByteArray, QByteArray, QByteArray>> rows = {
        {"wrong key", c, iv, flipped(key, 0)},
        {"wrong iv", c, flipped(iv, 11), key},
        {"tag changed", flipped(c, c.size() - 1), iv, key},
        {"body changed", flipped(c, 10), iv, key},
        {"tag cut off", c.chopped(16), iv, key},
        {"shorter than a tag", c.left(15), iv, key},
        {"AES-128 key", c, iv, key.left(16)},
        {"iv of 8 bytes", c, iv.left(8), key},
    };
    for (const auto& [name, ciphertext, row_iv, row_key] : rows)
        EXPECT_FALSE(aesgcm::open(ciphertext, row_iv, row_key)) << name;
}

TEST(AesgcmFile, AddressCarriesIvAndKeyInItsFragment) {
    const QByteArray iv = QByteArray::fromHex("000102030405060708090a0b");
    const QByteArray key(32, '\xab');
    EXPECT_EQ(aesgcm::url("https://upload.example.org:5281/share/abc/snap%201.jpg", iv, key),
              "aesgcm://upload.example.org:5281/share/abc/snap%201.jpg#000102030405060708090a0b" +
                  QString(64, 'a').replace("aa", "ab"));
}

}  // namespace
