#include "omemo/omemo_xml.h"

#include <QXmlStreamWriter>
#include <algorithm>

namespace omemo::xml {
namespace {

// Bounds on what a stranger can make the machine hold or work through: more recipients than
// any account has devices, more than any app publishes, a body far beyond a chat line.
constexpr std::size_t most_keys = 100;
constexpr std::size_t most_devices = 100;
constexpr std::size_t most_pre_keys = 200;
constexpr qsizetype largest_key_message = 4096;
constexpr qsizetype largest_payload = 64 * 1024;
// A public key as the apps publish it: the key-type byte (5, Curve25519) and 32 bytes.
constexpr qsizetype public_key_size = 33;
constexpr char curve25519_type = 0x05;
constexpr qsizetype largest_signature = 128;

QDomElement child(const QDomElement& parent, const char* name) {
    for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        if (e.localName() == QLatin1String(name) && e.namespaceURI() == QLatin1String(ns)) return e;
    return {};
}

std::vector<QDomElement> children(const QDomElement& parent, const char* name) {
    std::vector<QDomElement> out;
    for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        if (e.localName() == QLatin1String(name) && e.namespaceURI() == QLatin1String(ns))
            out.push_back(e);
    return out;
}

bool is(const QDomElement& e, const char* name) {
    return !e.isNull() && e.localName() == QLatin1String(name) &&
           e.namespaceURI() == QLatin1String(ns);
}

// A device or key id: a decimal number from 1 to 2^31 - 1, as the Signal library takes it.
std::optional<std::uint32_t> id(const QDomElement& e, const char* attribute) {
    const QString text = e.attribute(QLatin1String(attribute));
    bool ok = false;
    const uint value = text.toUInt(&ok);
    if (!ok || value == 0 || value > 0x7FFFFFFFu || text.startsWith(u'+')) return std::nullopt;
    return value;
}

// The element's base64 text decoded (white space, which some apps wrap it with, ignored);
// nullopt when it is empty, not base64, or longer than `largest` bytes.
std::optional<QByteArray> base64(const QDomElement& e, qsizetype largest) {
    if (e.isNull()) return std::nullopt;
    QByteArray text = e.text().toLatin1();
    text.removeIf([](char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; });
    if (text.isEmpty() || text.size() > (largest + 2) / 3 * 4) return std::nullopt;
    const auto decoded =
        QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.isEmpty() || decoded.decoded.size() > largest)
        return std::nullopt;
    return *decoded;
}

std::optional<QByteArray> public_key(const QDomElement& e) {
    auto key = base64(e, public_key_size);
    if (!key || key->size() != public_key_size || key->at(0) != curve25519_type)
        return std::nullopt;
    return key;
}

void start(QXmlStreamWriter& w, const char* name) {
    w.writeStartElement(QLatin1String(name));
    w.writeDefaultNamespace(QLatin1String(ns));
}

void text_element(QXmlStreamWriter& w, const char* name, const QByteArray& data) {
    w.writeTextElement(QLatin1String(name), QString::fromLatin1(data.toBase64()));
}

}  // namespace

std::optional<Envelope> parse_envelope(const QDomElement& encrypted) {
    if (!is(encrypted, "encrypted")) return std::nullopt;
    const QDomElement header = child(encrypted, "header");
    const auto sender = id(header, "sid");
    const auto iv = base64(child(header, "iv"), 16);
    const std::vector<QDomElement> keys = children(header, "key");
    if (!sender || !iv || (iv->size() != 12 && iv->size() != 16) || keys.empty() ||
        keys.size() > most_keys)
        return std::nullopt;
    Envelope envelope{.sender = *sender, .keys = {}, .iv = *iv, .payload = {}};
    for (const QDomElement& key : keys) {
        const auto device = id(key, "rid");
        const auto data = base64(key, largest_key_message);
        if (!device || !data) return std::nullopt;
        const QString pre_key = key.attribute(QStringLiteral("prekey"));
        envelope.keys.push_back(
            {.device = *device, .data = *data, .pre_key = pre_key == u"true" || pre_key == u"1"});
    }
    const QDomElement payload = child(encrypted, "payload");
    if (!payload.isNull() && !payload.text().trimmed().isEmpty()) {
        auto body = base64(payload, largest_payload);
        if (!body) return std::nullopt;
        envelope.payload = *body;
    }
    return envelope;
}

QString envelope_xml(const Envelope& envelope) {
    QString out;
    QXmlStreamWriter w(&out);
    start(w, "encrypted");
    w.writeStartElement(QStringLiteral("header"));
    w.writeAttribute(QStringLiteral("sid"), QString::number(envelope.sender));
    for (const KeyForDevice& key : envelope.keys) {
        w.writeStartElement(QStringLiteral("key"));
        if (key.pre_key) w.writeAttribute(QStringLiteral("prekey"), QStringLiteral("true"));
        w.writeAttribute(QStringLiteral("rid"), QString::number(key.device));
        w.writeCharacters(QString::fromLatin1(key.data.toBase64()));
        w.writeEndElement();
    }
    text_element(w, "iv", envelope.iv);
    w.writeEndElement();
    if (!envelope.payload.isEmpty()) text_element(w, "payload", envelope.payload);
    w.writeEndElement();
    return out;
}

std::vector<DeviceId> parse_device_list(const QDomElement& list) {
    std::vector<DeviceId> devices;
    if (!is(list, "list")) return devices;
    for (const QDomElement& device : children(list, "device")) {
        const auto number = id(device, "id");
        if (!number || std::find(devices.begin(), devices.end(), *number) != devices.end())
            continue;
        devices.push_back(*number);
        if (devices.size() == most_devices) break;
    }
    return devices;
}

QString device_list_xml(const std::vector<DeviceId>& devices) {
    QString out;
    QXmlStreamWriter w(&out);
    start(w, "list");
    for (DeviceId device : devices) {
        w.writeEmptyElement(QStringLiteral("device"));
        w.writeAttribute(QStringLiteral("id"), QString::number(device));
    }
    w.writeEndElement();
    return out;
}

std::optional<Bundle> parse_bundle(const QDomElement& bundle) {
    if (!is(bundle, "bundle")) return std::nullopt;
    const QDomElement signed_pre_key = child(bundle, "signedPreKeyPublic");
    const auto signed_pre_key_id = id(signed_pre_key, "signedPreKeyId");
    const auto signed_key = public_key(signed_pre_key);
    const auto signature = base64(child(bundle, "signedPreKeySignature"), largest_signature);
    const auto identity = public_key(child(bundle, "identityKey"));
    const std::vector<QDomElement> pre_keys = children(child(bundle, "prekeys"), "preKeyPublic");
    if (!signed_pre_key_id || !signed_key || !signature || !identity || pre_keys.empty() ||
        pre_keys.size() > most_pre_keys)
        return std::nullopt;
    Bundle out{.identity_key = *identity,
               .signed_pre_key_id = *signed_pre_key_id,
               .signed_pre_key = *signed_key,
               .signed_pre_key_signature = *signature,
               .pre_keys = {}};
    for (const QDomElement& pre_key : pre_keys) {
        const auto pre_key_id = id(pre_key, "preKeyId");
        const auto key = public_key(pre_key);
        if (!pre_key_id || !key) return std::nullopt;
        out.pre_keys.push_back({*pre_key_id, *key});
    }
    return out;
}

QString bundle_xml(const Bundle& bundle) {
    QString out;
    QXmlStreamWriter w(&out);
    start(w, "bundle");
    w.writeStartElement(QStringLiteral("signedPreKeyPublic"));
    w.writeAttribute(QStringLiteral("signedPreKeyId"), QString::number(bundle.signed_pre_key_id));
    w.writeCharacters(QString::fromLatin1(bundle.signed_pre_key.toBase64()));
    w.writeEndElement();
    text_element(w, "signedPreKeySignature", bundle.signed_pre_key_signature);
    text_element(w, "identityKey", bundle.identity_key);
    w.writeStartElement(QStringLiteral("prekeys"));
    for (const PreKey& pre_key : bundle.pre_keys) {
        w.writeStartElement(QStringLiteral("preKeyPublic"));
        w.writeAttribute(QStringLiteral("preKeyId"), QString::number(pre_key.id));
        w.writeCharacters(QString::fromLatin1(pre_key.public_key.toBase64()));
        w.writeEndElement();
    }
    w.writeEndElement();
    w.writeEndElement();
    return out;
}

}  // namespace omemo::xml
