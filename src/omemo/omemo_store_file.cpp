#include "omemo/omemo_store_file.h"

#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace omemo::store_file {
namespace {

constexpr int format = 1;
// Far above what a device keeps (a hundred pre-keys, a session per peer device).
constexpr qint64 largest_file = 16 * 1024 * 1024;

QJsonValue base64(const QByteArray& data) {
    return QString::fromLatin1(data.toBase64());
}

// Empty when the value is not base64 of at least one byte.
QByteArray unbase64(const QJsonValue& value) {
    const auto decoded = QByteArray::fromBase64Encoding(value.toString().toLatin1(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    return decoded ? *decoded : QByteArray();
}

std::optional<std::uint32_t> number(const QJsonValue& value) {
    const double n = value.toDouble(-1);
    if (n < 0 || n > 4294967295.0 || n != static_cast<double>(static_cast<std::uint32_t>(n)))
        return std::nullopt;
    return static_cast<std::uint32_t>(n);
}

using PeerRecords = std::map<std::pair<QString, DeviceId>, QByteArray>;

QJsonArray peers_json(const PeerRecords& records, const QString& field) {
    QJsonArray out;
    for (const auto& [peer, record] : records)
        out.append(QJsonObject{{"jid", peer.first},
                               {"device", static_cast<qint64>(peer.second)},
                               {field, base64(record)}});
    return out;
}

bool read_peers(const QJsonValue& value, const QString& field, PeerRecords& records) {
    for (const QJsonValue& entry : value.toArray()) {
        const QJsonObject object = entry.toObject();
        const auto device = number(object.value("device"));
        const QString jid = object.value("jid").toString();
        const QByteArray record = unbase64(object.value(field));
        if (!device || jid.isEmpty() || record.isEmpty()) return false;
        records[{jid, *device}] = record;
    }
    return true;
}

QByteArray to_json(const StoredDevice& device) {
    QJsonArray pre_keys;
    for (const auto& [id, record] : device.pre_keys)
        pre_keys.append(QJsonObject{{"id", static_cast<qint64>(id)}, {"record", base64(record)}});
    const QJsonObject root{
        {"format", format},
        {"device_id", static_cast<qint64>(device.device_id)},
        {"identity", QJsonObject{{"public", base64(device.identity_public)},
                                 {"private", base64(device.identity_private)}}},
        {"signed_pre_key", QJsonObject{{"id", static_cast<qint64>(device.signed_pre_key_id)},
                                       {"record", base64(device.signed_pre_key)}}},
        {"pre_keys", pre_keys},
        {"next_pre_key_id", static_cast<qint64>(device.next_pre_key_id)},
        {"sessions", peers_json(device.sessions, "record")},
        {"identities", peers_json(device.identities, "key")},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

std::optional<StoredDevice> from_json(const QByteArray& text) {
    QJsonParseError error{};
    const QJsonObject root = QJsonDocument::fromJson(text, &error).object();
    if (error.error != QJsonParseError::NoError || root.value("format").toInt() != format)
        return std::nullopt;
    StoredDevice device;
    const auto device_id = number(root.value("device_id"));
    const QJsonObject identity = root.value("identity").toObject();
    const QJsonObject signed_pre_key = root.value("signed_pre_key").toObject();
    const auto signed_pre_key_id = number(signed_pre_key.value("id"));
    const auto next_pre_key_id = number(root.value("next_pre_key_id"));
    if (!device_id || *device_id == 0 || !signed_pre_key_id || !next_pre_key_id)
        return std::nullopt;
    device.device_id = *device_id;
    device.identity_public = unbase64(identity.value("public"));
    device.identity_private = unbase64(identity.value("private"));
    device.signed_pre_key_id = *signed_pre_key_id;
    device.signed_pre_key = unbase64(signed_pre_key.value("record"));
    device.next_pre_key_id = *next_pre_key_id;
    if (device.identity_public.isEmpty() || device.identity_private.isEmpty() ||
        device.signed_pre_key.isEmpty())
        return std::nullopt;
    for (const QJsonValue& entry : root.value("pre_keys").toArray()) {
        const auto id = number(entry.toObject().value("id"));
        const QByteArray record = unbase64(entry.toObject().value("record"));
        if (!id || record.isEmpty()) return std::nullopt;
        device.pre_keys[*id] = record;
    }
    if (!read_peers(root.value("sessions"), "record", device.sessions) ||
        !read_peers(root.value("identities"), "key", device.identities))
        return std::nullopt;
    return device;
}

}  // namespace

std::optional<StoredDevice> read(const QString& path, QString* problem) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *problem = QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    if (file.size() > largest_file) {
        *problem = QStringLiteral("%1 is too large to be an encryption key file").arg(path);
        return std::nullopt;
    }
    auto device = from_json(file.readAll());
    if (!device) *problem = QStringLiteral("%1 is damaged: its keys cannot be read").arg(path);
    return device;
}

bool write(const QString& path, const StoredDevice& device, QString* problem) {
    QSaveFile file(path);
    const QByteArray text = to_json(device);
    // The private keys are in it: owner only, set on the new file before a byte is written.
    const bool written = file.open(QIODevice::WriteOnly) && ::fchmod(file.handle(), 0600) == 0 &&
                         file.write(text) == text.size() && file.flush() &&
                         ::fsync(file.handle()) == 0;
    if (!written) {
        *problem = QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString());
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *problem = QStringLiteral("%1 cannot be written: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

}  // namespace omemo::store_file
