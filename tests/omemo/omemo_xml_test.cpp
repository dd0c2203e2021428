#include <gtest/gtest.h>
#include <QDomDocument>

#include "omemo/omemo_xml.h"

namespace {

using namespace omemo;

QDomElement element(const QString& xml) {
    static QDomDocument document;  // the element lives as long as its document
    document = QDomDocument();
    EXPECT_TRUE(document.setContent(xml, true)) << xml.toStdString();
    return document.documentElement();
}

const QByteArray key33 = QByteArray(1, '\x05') + QByteArray(32, 'k');

TEST(OmemoXml, EnvelopeRoundTrip) {
    for (const QByteArray& payload : {QByteArray("body"), QByteArray()}) {
        const Envelope sent{
            .sender = 27183,
            .keys = {{31415, QByteArray("key one"), false}, {12321, QByteArray(200, '\xfe'), true}},
            .iv = QByteArray(12, '\x01'),
            .payload = payload};
        EXPECT_EQ(xml::parse_envelope(element(xml::envelope_xml(sent))), sent);
    }
}

// What the apps send, with their spellings: prekey="1", a 16-byte IV, wrapped base64.
TEST(OmemoXml, EnvelopeAsAppsWriteIt) {
    const auto read = xml::parse_envelope(
        element("<encrypted xmlns='eu.siacs.conversations.axolotl'><header sid='7'>"
                "<key prekey='1' rid='9'>a2V5\n</key><iv>AAAAAAAAAAAAAAAAAAAAAA==</iv></header>"
                "<payload> Ym9k\neQ== </payload></encrypted>"));
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->keys[0].pre_key);
    EXPECT_EQ(read->keys[0].data, "key");
    EXPECT_EQ(read->iv.size(), 16);
    EXPECT_EQ(read->payload, "body");
}

TEST(OmemoXml, MalformedEnvelopesAreRefused) {
    const QString iv = "<iv>AAAAAAAAAAAAAAAA</iv>";
    const QString key = "<key rid='9'>a2V5</key>";
    const auto envelope = [](const QString& header_attributes, const QString& header,
                             const QString& after = {}) {
        return QStringLiteral(
                   "<encrypted xmlns='eu.siacs.conversations.axolotl'><header%1>%2"
                   "</header>%3</encrypted>")
            .arg(header_attributes, header, after);
    };
    QString many_keys;
    for (int i = 0; i < 101; ++i) many_keys += key;
    const std::vector<std::pair<const char*, QString>> rows = {
        {"other namespace", "<encrypted xmlns='urn:xmpp:omemo:2'><header sid='7'>" + key + iv +
                                "</header></encrypted>"},
        {"no sid", envelope("", key + iv)},
        {"sid zero", envelope(" sid='0'", key + iv)},
        {"sid not a number", envelope(" sid='7x'", key + iv)},
        {"sid beyond 31 bits", envelope(" sid='2147483648'", key + iv)},
        {"no key", envelope(" sid='7'", iv)},
        {"key without rid", envelope(" sid='7'", "<key>a2V5</key>" + iv)},
        {"key not base64", envelope(" sid='7'", "<key rid='9'>a2V5!</key>" + iv)},
        {"key empty", envelope(" sid='7'", "<key rid='9'/>" + iv)},
        {"key too long",
         envelope(" sid='7'", "<key rid='9'>" + QString(6000, 'A') + "</key>" + iv)},
        {"too many keys", envelope(" sid='7'", many_keys + iv)},
        {"no iv", envelope(" sid='7'", key)},
        {"iv of 8 bytes", envelope(" sid='7'", key + "<iv>AAAAAAAAAAA=</iv>")},
        {"payload not base64", envelope(" sid='7'", key + iv, "<payload>@@@@</payload>")},
        {"payload over 64 KiB",
         envelope(" sid='7'", key + iv, "<payload>" + QString(90000, 'A') + "</payload>")},
    };
    for (const auto& [name, xml] : rows) EXPECT_FALSE(xml::parse_envelope(element(xml))) << name;
}

TEST(OmemoXml, DeviceList) {
    EXPECT_EQ(xml::parse_device_list(element(xml::device_list_xml({1, 2147483647, 42}))),
              (std::vector<DeviceId>{1, 2147483647, 42}));
    // Ids that are not device ids are left out, and so are repeats.
    EXPECT_EQ(xml::parse_device_list(element(
                  "<list xmlns='eu.siacs.conversations.axolotl'><device id='5'/><device id='x'/>"
                  "<device id='0'/><device id='-3'/><device/><device id='5'/>"
                  "<device id='4294967297'/><other id='6'/><device id='7'/></list>")),
              (std::vector<DeviceId>{5, 7}));
    EXPECT_TRUE(
        xml::parse_device_list(element("<list xmlns='urn:other'><device id='5'/></list>")).empty());
    QString many = "<list xmlns='eu.siacs.conversations.axolotl'>";
    for (int i = 1; i <= 500; ++i) many += QStringLiteral("<device id='%1'/>").arg(i);
    EXPECT_EQ(xml::parse_device_list(element(many + "</list>")).size(), 100u);
}

TEST(OmemoXml, BundleRoundTripAndMalformedRows) {
    const Bundle sent{.identity_key = key33,
                      .signed_pre_key_id = 3,
                      .signed_pre_key = key33,
                      .signed_pre_key_signature = QByteArray(64, 's'),
                      .pre_keys = {{1, key33}, {99, key33}}};
    const QString xml = xml::bundle_xml(sent);
    EXPECT_EQ(xml::parse_bundle(element(xml)), sent);

    const QString key = QString::fromLatin1(key33.toBase64());
    const QString key32 = QString::fromLatin1(key33.mid(1).toBase64());
    const QString type6 = QString::fromLatin1(("\x06" + key33.mid(1)).toBase64());
    const std::vector<std::pair<const char*, QString>> rows = {
        {"no identity", QString(xml).replace("identityKey", "identityKex")},
        {"identity without type byte",
         QString(xml).replace("<identityKey>" + key, "<identityKey>" + key32)},
        {"identity of another type",
         QString(xml).replace("<identityKey>" + key, "<identityKey>" + type6)},
        {"no signed pre-key id", QString(xml).replace("signedPreKeyId=\"3\"", "")},
        {"no signature", QString(xml).replace("signedPreKeySignature", "signature")},
        {"no pre-keys", QString(xml).replace("preKeyPublic", "other")},
        {"pre-key id not a number", QString(xml).replace("preKeyId=\"99\"", "preKeyId=\"x\"")},
        {"pre-key not base64", QString(xml).replace("preKeyId=\"99\">", "preKeyId=\"99\">!")},
    };
    for (const auto& [name, bad] : rows) EXPECT_FALSE(xml::parse_bundle(element(bad))) << name;
}

}  // namespace
