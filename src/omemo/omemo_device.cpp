#include "omemo/omemo_device.h"

#include <key_helper.h>
#include <protocol.h>
#include <session_builder.h>
#include <session_cipher.h>
#include <signal_protocol.h>
#include <QDateTime>
#include <QFileInfo>
#include <algorithm>
#include <cstring>

#include "omemo/aes_gcm.h"
#include "omemo/omemo_log.h"
#include "omemo/omemo_store.h"
#include "omemo/omemo_store_file.h"
#include "omemo/signal_crypto.h"
#include "omemo/signal_ptr.h"

Q_LOGGING_CATEGORY(omemo_log, "vq.omemo", QtInfoMsg)

namespace {

using omemo::Address;
using signal_ptr::Buffer;
using signal_ptr::Ref;

// Enough that many of the owner's devices can start sessions while the machine is offline.
constexpr std::size_t pre_key_count = 100;
// The apps keep pre-key ids below 2^24.
constexpr std::uint32_t largest_pre_key_id = 0xFFFFFF;
// The message key is AES-128's; the payload's tag travels beside it.
constexpr int message_key_size = 16;
// What the payload check answers the library when the body does not decrypt: below every code
// of the library's own, so that it is told apart.
constexpr int payload_damaged = SG_ERR_MINIMUM - 1;

// A peer's address as the library takes it; the name's bytes live as long as this does.
struct SignalAddress {
    explicit SignalAddress(const Address& peer)
        : name(peer.jid.toUtf8()),
          address{name.constData(), static_cast<size_t>(name.size()),
                  static_cast<int32_t>(peer.device)} {}
    QByteArray name;
    signal_protocol_address address;
};

struct CipherFree {
    void operator()(session_cipher* cipher) const { session_cipher_free(cipher); }
};
using Cipher = std::unique_ptr<session_cipher, CipherFree>;

QString fingerprint_of(const QByteArray& identity_public) {
    return QString::fromLatin1(identity_public.mid(1).toHex());
}

void log_from_library(int level, const char* message, size_t length, void*) {
    const QString text = QString::fromUtf8(message, static_cast<qsizetype>(length));
    if (level <= SG_LOG_WARNING)
        qCWarning(omemo_log) << "signal:" << text;
    else
        qCDebug(omemo_log) << "signal:" << text;
}

QString problem_of(int code) {
    switch (code) {
        case SG_ERR_DUPLICATE_MESSAGE:
            return QStringLiteral("the message was already read (replayed)");
        case SG_ERR_NO_SESSION:
            return QStringLiteral("no session with the sending device");
        case SG_ERR_INVALID_KEY_ID:
            return QStringLiteral("the message uses an unknown pre-key");
        case SG_ERR_LEGACY_MESSAGE:
        case SG_ERR_INVALID_VERSION:
            return QStringLiteral("the message is of an unknown version");
        case payload_damaged:
            return QStringLiteral("the message body is damaged");
        default:
            return QStringLiteral("the message key is damaged (error %1)").arg(code);
    }
}

// What the payload check works on while the library decrypts the message key.
struct PayloadCheck {
    const omemo::Envelope& envelope;
    QByteArray body;
};

// Runs inside the library's decryption, before it keeps the advanced session: a body that does
// not decrypt under the key leaves the session (and the pre-key) as they were.
int check_payload(session_cipher*, signal_buffer* plaintext, void* context) {
    auto& check = *static_cast<PayloadCheck*>(context);
    const QByteArray material = signal_ptr::bytes(plaintext);
    const bool key_with_tag = material.size() == message_key_size + aes_gcm::tag_size;
    // Older apps put the tag at the end of the payload and send the key alone.
    if (!key_with_tag && material.size() != message_key_size) return payload_damaged;
    if (check.envelope.payload.isEmpty()) return 0;  // a key transport message: no body
    const QByteArray key = material.left(message_key_size);
    const QByteArray sealed = key_with_tag ? check.envelope.payload + material.mid(message_key_size)
                                           : check.envelope.payload;
    auto body = aes_gcm::decrypt(key, check.envelope.iv, sealed);
    if (!body) return payload_damaged;
    check.body = std::move(*body);
    return 0;
}

class LibOmemoDevice final : public OmemoDevice {
  public:
    LibOmemoDevice(QString file, omemo::StoredDevice stored)
        : file_(std::move(file)), store_(std::move(stored)) {}

    ~LibOmemoDevice() override {
        if (store_context_) signal_protocol_store_context_destroy(store_context_);
        if (context_) signal_context_destroy(context_);
    }

    bool start(QString* problem) {
        const signal_crypto_provider provider = signal_crypto::openssl_provider();
        if (signal_context_create(&context_, this) != 0 ||
            signal_context_set_crypto_provider(context_, &provider) != 0 ||
            signal_context_set_log_function(context_, log_from_library) != 0 ||
            signal_protocol_store_context_create(&store_context_, context_) != 0 ||
            !store_.attach(store_context_)) {
            *problem = QStringLiteral("the encryption library could not be started");
            return false;
        }
        return true;
    }

    bool create_identity(QString* problem) {
        ratchet_identity_key_pair* pair = nullptr;
        uint32_t device_id = 0;
        if (signal_protocol_key_helper_generate_identity_key_pair(&pair, context_) != 0 ||
            signal_protocol_key_helper_generate_registration_id(&device_id, 1, context_) != 0) {
            *problem = QStringLiteral("no identity key could be made");
            return false;
        }
        const Ref<ratchet_identity_key_pair> identity(pair);
        omemo::StoredDevice& device = store_.device();
        device.device_id = device_id;
        device.identity_public = serialized(ratchet_identity_key_pair_get_public(pair));
        device.identity_private = serialized(ratchet_identity_key_pair_get_private(pair));
        session_signed_pre_key* signed_pre_key = nullptr;
        if (signal_protocol_key_helper_generate_signed_pre_key(
                &signed_pre_key, pair, 1,
                static_cast<uint64_t>(QDateTime::currentMSecsSinceEpoch()), context_) != 0 ||
            signal_protocol_signed_pre_key_store_key(store_context_, signed_pre_key) != 0) {
            SIGNAL_UNREF(signed_pre_key);
            *problem = QStringLiteral("no signed pre-key could be made");
            return false;
        }
        SIGNAL_UNREF(signed_pre_key);
        return refill_pre_keys(problem);
    }

    // A file's keys are checked once when it is opened, so a damaged one is found at start-up.
    bool keys_readable() const {
        const omemo::StoredDevice& device = store_.device();
        session_signed_pre_key* signed_pre_key = nullptr;
        const bool readable = device.identity_public.size() == 33 && identity_pair_readable() &&
                              session_signed_pre_key_deserialize(
                                  &signed_pre_key, signal_ptr::data(device.signed_pre_key),
                                  static_cast<size_t>(device.signed_pre_key.size()), context_) == 0;
        SIGNAL_UNREF(signed_pre_key);
        return readable;
    }

    bool refill_pre_keys(QString* problem) {
        omemo::StoredDevice& device = store_.device();
        while (device.pre_keys.size() < pre_key_count) {
            const std::uint32_t id = next_pre_key_id();
            ec_key_pair* pair = nullptr;
            session_pre_key* pre_key = nullptr;
            const bool made = curve_generate_key_pair(context_, &pair) == 0 &&
                              session_pre_key_create(&pre_key, id, pair) == 0 &&
                              signal_protocol_pre_key_store_key(store_context_, pre_key) == 0;
            SIGNAL_UNREF(pair);
            SIGNAL_UNREF(pre_key);
            if (!made) {
                *problem = QStringLiteral("no pre-key could be made");
                return false;
            }
        }
        return true;
    }

    // A run that could not replace a used pre-key leaves fewer: made up when opened.
    bool top_up_pre_keys(QString* problem) {
        return store_.device().pre_keys.size() >= pre_key_count || refill_pre_keys(problem);
    }

    bool save(QString* problem) {
        if (!store_.take_changed()) return true;
        if (omemo::store_file::write(file_, store_.device(), problem)) return true;
        store_.note_changed();  // tried again after the next change
        return false;
    }

    omemo::DeviceId device_id() const override { return store_.device().device_id; }

    QString fingerprint() const override { return fingerprint_of(store_.device().identity_public); }

    omemo::Bundle bundle() const override {
        const omemo::StoredDevice& device = store_.device();
        omemo::Bundle bundle;
        bundle.identity_key = device.identity_public;
        session_signed_pre_key* signed_pre_key = nullptr;
        if (session_signed_pre_key_deserialize(
                &signed_pre_key, signal_ptr::data(device.signed_pre_key),
                static_cast<size_t>(device.signed_pre_key.size()), context_) == 0) {
            bundle.signed_pre_key_id = session_signed_pre_key_get_id(signed_pre_key);
            bundle.signed_pre_key = serialized(
                ec_key_pair_get_public(session_signed_pre_key_get_key_pair(signed_pre_key)));
            bundle.signed_pre_key_signature = QByteArray(
                reinterpret_cast<const char*>(session_signed_pre_key_get_signature(signed_pre_key)),
                static_cast<qsizetype>(session_signed_pre_key_get_signature_len(signed_pre_key)));
        }
        SIGNAL_UNREF(signed_pre_key);
        for (const auto& [id, record] : device.pre_keys) {
            session_pre_key* pre_key = nullptr;
            if (session_pre_key_deserialize(&pre_key, signal_ptr::data(record),
                                            static_cast<size_t>(record.size()), context_) == 0)
                bundle.pre_keys.push_back({id, serialized(ec_key_pair_get_public(
                                                   session_pre_key_get_key_pair(pre_key)))});
            SIGNAL_UNREF(pre_key);
        }
        return bundle;
    }

    bool take_bundle_changed() override { return std::exchange(bundle_changed_, false); }

    bool has_session(const Address& peer) const override {
        return store_.device().sessions.contains({peer.jid, peer.device});
    }

    bool start_session(const Address& peer, const omemo::Bundle& bundle,
                       QString* problem) override {
        const QString refused = start_session_with(peer, bundle);
        QString write_problem;
        if (!save(&write_problem)) qCWarning(omemo_log) << write_problem;
        if (refused.isEmpty()) return true;
        if (problem) *problem = refused;
        return false;
    }

    QString peer_fingerprint(const Address& peer) const override {
        const auto& identities = store_.device().identities;
        const auto found = identities.find({peer.jid, peer.device});
        return found == identities.end() ? QString() : fingerprint_of(found->second);
    }

    bool knows_contact(const QString& jid) const override {
        const auto& identities = store_.device().identities;
        const auto first = identities.lower_bound({jid, omemo::DeviceId{0}});
        return first != identities.end() && first->first.first == jid;
    }

    std::optional<omemo::Envelope> encrypt(const QByteArray& body,
                                           const std::vector<Address>& to) override {
        omemo::Envelope envelope;
        envelope.sender = device_id();
        envelope.iv = aes_gcm::random_bytes(12);
        const QByteArray key = aes_gcm::random_bytes(message_key_size);
        if (envelope.iv.isEmpty() || key.isEmpty()) return std::nullopt;
        const auto sealed = aes_gcm::encrypt(key, envelope.iv, body);
        if (!sealed) return std::nullopt;
        envelope.payload = sealed->chopped(aes_gcm::tag_size);
        const QByteArray material = key + sealed->right(aes_gcm::tag_size);
        for (const Address& peer : to) {
            if (auto sent = encrypt_key(peer, material)) envelope.keys.push_back(*sent);
        }
        if (envelope.keys.empty()) return std::nullopt;
        // A message whose ratchet step is not on the disk is not sent: after a restart the same
        // message keys would be used again.
        QString problem;
        if (!save(&problem)) {
            qCWarning(omemo_log) << "not sending an encrypted message:" << problem;
            return std::nullopt;
        }
        return envelope;
    }

    Decrypted decrypt(const QString& from_jid, const omemo::Envelope& envelope) override {
        Decrypted result;
        const auto key = std::find_if(envelope.keys.begin(), envelope.keys.end(),
                                      [&](const auto& k) { return k.device == device_id(); });
        if (key == envelope.keys.end()) {
            result.problem = QStringLiteral("the message is not encrypted for this device");
            return result;
        }
        if (!envelope.payload.isEmpty() && envelope.iv.size() != 12 && envelope.iv.size() != 16) {
            result.problem = QStringLiteral("the message's IV is damaged");
            return result;
        }
        const Address peer{from_jid, envelope.sender};
        // A pre-key message saves its sender's identity before its body is checked: a refused
        // one must not leave a new identity beside the old session.
        auto& identities = store_.device().identities;
        const auto known = identities.find({peer.jid, peer.device});
        const std::optional<QByteArray> identity_before =
            known == identities.end() ? std::nullopt : std::optional(known->second);
        PayloadCheck check{envelope, {}};
        const int code = decrypt_key(peer, *key, check);
        if (code != 0) {
            result.problem = problem_of(code);
            if (identity_before)
                identities[{peer.jid, peer.device}] = *identity_before;
            else
                identities.erase({peer.jid, peer.device});
        } else {
            result.ok = true;
            result.body = std::move(check.body);
            result.fingerprint = peer_fingerprint(peer);
        }
        after_decrypt();
        return result;
    }

  private:
    bool identity_pair_readable() const {
        const omemo::StoredDevice& device = store_.device();
        ec_public_key* public_key = nullptr;
        ec_private_key* private_key = nullptr;
        const bool readable =
            curve_decode_point(&public_key, signal_ptr::data(device.identity_public),
                               static_cast<size_t>(device.identity_public.size()), context_) == 0 &&
            curve_decode_private_point(&private_key, signal_ptr::data(device.identity_private),
                                       static_cast<size_t>(device.identity_private.size()),
                                       context_) == 0;
        SIGNAL_UNREF(public_key);
        SIGNAL_UNREF(private_key);
        return readable;
    }

    template <class Key>
    static QByteArray serialized(const Key* key) {
        signal_buffer* buffer = nullptr;
        int result = 0;
        if constexpr (std::is_same_v<Key, ec_public_key>)
            result = ec_public_key_serialize(&buffer, key);
        else
            result = ec_private_key_serialize(&buffer, key);
        const Buffer owned(buffer);
        return result == 0 ? signal_ptr::bytes(buffer) : QByteArray();
    }

    std::uint32_t next_pre_key_id() {
        omemo::StoredDevice& device = store_.device();
        std::uint32_t id = device.next_pre_key_id;
        while (id == 0 || id > largest_pre_key_id || device.pre_keys.contains(id))
            id = id == 0 || id > largest_pre_key_id ? 1 : id + 1;
        device.next_pre_key_id = id + 1;
        return id;
    }

    // Empty when the session was built, else why not.
    QString start_session_with(const Address& peer, const omemo::Bundle& bundle) {
        const auto decode = [&](const QByteArray& bytes) {
            ec_public_key* key = nullptr;
            if (curve_decode_point(&key, signal_ptr::data(bytes), static_cast<size_t>(bytes.size()),
                                   context_) != 0)
                return Ref<ec_public_key>();
            return Ref<ec_public_key>(key);
        };
        const Ref<ec_public_key> identity = decode(bundle.identity_key);
        const Ref<ec_public_key> signed_pre_key = decode(bundle.signed_pre_key);
        if (!identity || !signed_pre_key) return QStringLiteral("the bundle's keys are damaged");
        // Any of the published pre-keys: two devices starting at once rarely take the same.
        Ref<ec_public_key> pre_key;
        std::uint32_t pre_key_id = 0;
        if (!bundle.pre_keys.empty()) {
            const QByteArray pick = aes_gcm::random_bytes(4);
            if (pick.size() != 4) return QStringLiteral("no random numbers");
            std::uint32_t index = 0;
            std::memcpy(&index, pick.constData(), 4);
            const omemo::PreKey& chosen = bundle.pre_keys[index % bundle.pre_keys.size()];
            pre_key = decode(chosen.public_key);
            pre_key_id = chosen.id;
            if (!pre_key) return QStringLiteral("the bundle's pre-key is damaged");
        }
        session_pre_key_bundle* made = nullptr;
        if (session_pre_key_bundle_create(
                &made, 0, static_cast<int>(peer.device), pre_key_id, pre_key.get(),
                bundle.signed_pre_key_id, signed_pre_key.get(),
                signal_ptr::data(bundle.signed_pre_key_signature),
                static_cast<size_t>(bundle.signed_pre_key_signature.size()), identity.get()) != 0)
            return QStringLiteral("the bundle is damaged");
        const Ref<session_pre_key_bundle> keys(made);
        SignalAddress address(peer);
        session_builder* builder = nullptr;
        if (session_builder_create(&builder, store_context_, &address.address, context_) != 0)
            return QStringLiteral("no session could be started");
        const int result = session_builder_process_pre_key_bundle(builder, made);
        session_builder_free(builder);
        if (result == SG_ERR_INVALID_KEY)
            return QStringLiteral("the bundle's signed pre-key is not signed by its identity");
        if (result != 0)
            return QStringLiteral("no session could be started (error %1)").arg(result);
        return {};
    }

    std::optional<omemo::KeyForDevice> encrypt_key(const Address& peer,
                                                   const QByteArray& material) {
        if (!has_session(peer)) return std::nullopt;
        SignalAddress address(peer);
        session_cipher* made = nullptr;
        if (session_cipher_create(&made, store_context_, &address.address, context_) != 0)
            return std::nullopt;
        const Cipher cipher(made);
        ciphertext_message* message = nullptr;
        const int result = session_cipher_encrypt(cipher.get(), signal_ptr::data(material),
                                                  static_cast<size_t>(material.size()), &message);
        const Ref<ciphertext_message> sent(message);
        if (result != 0) {
            qCWarning(omemo_log) << "no message key for" << peer.jid << peer.device << result;
            return std::nullopt;
        }
        return omemo::KeyForDevice{
            .device = peer.device,
            .data = signal_ptr::bytes(ciphertext_message_get_serialized(message)),
            .pre_key = ciphertext_message_get_type(message) == CIPHERTEXT_PREKEY_TYPE};
    }

    int decrypt_key(const Address& peer, const omemo::KeyForDevice& key, PayloadCheck& check) {
        SignalAddress address(peer);
        session_cipher* made = nullptr;
        if (session_cipher_create(&made, store_context_, &address.address, context_) != 0)
            return SG_ERR_NOMEM;
        const Cipher cipher(made);
        session_cipher_set_decryption_callback(cipher.get(), check_payload);
        signal_buffer* plain = nullptr;
        int result = 0;
        if (key.pre_key) {
            pre_key_signal_message* message = nullptr;
            result =
                pre_key_signal_message_deserialize(&message, signal_ptr::data(key.data),
                                                   static_cast<size_t>(key.data.size()), context_);
            const Ref<pre_key_signal_message> owned(message);
            if (result == 0)
                result = session_cipher_decrypt_pre_key_signal_message(cipher.get(), message,
                                                                       &check, &plain);
        } else {
            signal_message* message = nullptr;
            result = signal_message_deserialize(&message, signal_ptr::data(key.data),
                                                static_cast<size_t>(key.data.size()), context_);
            const Ref<signal_message> owned(message);
            if (result == 0)
                result =
                    session_cipher_decrypt_signal_message(cipher.get(), message, &check, &plain);
        }
        const Buffer owned_plain(plain);
        return result;
    }

    // A used pre-key is replaced and the bundle published again without it; then the new state
    // goes to the disk.
    void after_decrypt() {
        QString problem;
        if (store_.take_pre_key_used()) {
            bundle_changed_ = true;
            if (!refill_pre_keys(&problem)) qCWarning(omemo_log) << problem;
        }
        if (!save(&problem)) qCWarning(omemo_log) << problem;
    }

    QString file_;
    omemo::OmemoStore store_;
    signal_context* context_ = nullptr;
    signal_protocol_store_context* store_context_ = nullptr;
    // What the server holds may be older than this file (a run that stopped before publishing
    // its new pre-keys): the first question after opening says to publish.
    bool bundle_changed_ = true;
};

}  // namespace

std::unique_ptr<OmemoDevice> OmemoDevice::open(const QString& file, QString* problem) {
    QString reason;
    const bool exists = QFileInfo::exists(file);
    std::optional<omemo::StoredDevice> stored =
        exists ? omemo::store_file::read(file, &reason) : omemo::StoredDevice{};
    std::unique_ptr<LibOmemoDevice> device;
    if (stored) {
        device = std::make_unique<LibOmemoDevice>(file, std::move(*stored));
        if (!device->start(&reason)) {
            device.reset();
        } else if (exists && !device->keys_readable()) {
            reason = QStringLiteral("%1 is damaged: its identity key cannot be read").arg(file);
            device.reset();
        } else if (exists && !device->top_up_pre_keys(&reason)) {
            device.reset();
        } else if (!exists && !device->create_identity(&reason)) {
            device.reset();
        } else if (!device->save(&reason)) {
            device.reset();
        }
    }
    if (!device && problem) *problem = reason;
    if (device && !exists) qCInfo(omemo_log) << "new encryption identity" << device->device_id();
    return device;
}
