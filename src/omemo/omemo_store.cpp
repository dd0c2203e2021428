#include "omemo/omemo_store.h"

#include <signal_protocol.h>

namespace omemo {

// The library's C callbacks, each finding the store in its user data.
struct StoreCallbacks {
    static OmemoStore& store(void* user_data) { return *static_cast<OmemoStore*>(user_data); }

    static std::pair<QString, DeviceId> key(const signal_protocol_address* address) {
        return {QString::fromUtf8(address->name, static_cast<qsizetype>(address->name_len)),
                static_cast<DeviceId>(address->device_id)};
    }

    static signal_buffer* buffer(const QByteArray& data) {
        return signal_buffer_create(reinterpret_cast<const uint8_t*>(data.constData()),
                                    static_cast<size_t>(data.size()));
    }

    static QByteArray bytes(const uint8_t* data, size_t length) {
        return {reinterpret_cast<const char*>(data), static_cast<qsizetype>(length)};
    }

    // Sessions.
    static int load_session(signal_buffer** record, signal_buffer**,
                            const signal_protocol_address* address, void* user_data) {
        const auto& sessions = store(user_data).device_.sessions;
        const auto found = sessions.find(key(address));
        if (found == sessions.end()) return 0;
        *record = buffer(found->second);
        return *record ? 1 : SG_ERR_NOMEM;
    }

    static int sub_device_sessions(signal_int_list** sessions, const char* name, size_t length,
                                   void* user_data) {
        const QString jid = QString::fromUtf8(name, static_cast<qsizetype>(length));
        signal_int_list* list = signal_int_list_alloc();
        if (!list) return SG_ERR_NOMEM;
        for (const auto& [peer, record] : store(user_data).device_.sessions)
            if (peer.first == jid) signal_int_list_push_back(list, static_cast<int>(peer.second));
        *sessions = list;
        return static_cast<int>(signal_int_list_size(list));
    }

    static int store_session(const signal_protocol_address* address, uint8_t* record, size_t length,
                             uint8_t*, size_t, void* user_data) {
        OmemoStore& self = store(user_data);
        self.device_.sessions[key(address)] = bytes(record, length);
        self.changed_ = true;
        return 0;
    }

    static int contains_session(const signal_protocol_address* address, void* user_data) {
        return store(user_data).device_.sessions.contains(key(address)) ? 1 : 0;
    }

    static int delete_session(const signal_protocol_address* address, void* user_data) {
        OmemoStore& self = store(user_data);
        const bool erased = self.device_.sessions.erase(key(address)) > 0;
        self.changed_ = self.changed_ || erased;
        return erased ? 1 : 0;
    }

    static int delete_all_sessions(const char* name, size_t length, void* user_data) {
        OmemoStore& self = store(user_data);
        const QString jid = QString::fromUtf8(name, static_cast<qsizetype>(length));
        const auto erased = std::erase_if(
            self.device_.sessions, [&](const auto& entry) { return entry.first.first == jid; });
        self.changed_ = self.changed_ || erased > 0;
        return static_cast<int>(erased);
    }

    // Pre-keys.
    static int load_pre_key(signal_buffer** record, uint32_t id, void* user_data) {
        const auto& pre_keys = store(user_data).device_.pre_keys;
        const auto found = pre_keys.find(id);
        if (found == pre_keys.end()) return SG_ERR_INVALID_KEY_ID;
        *record = buffer(found->second);
        return *record ? SG_SUCCESS : SG_ERR_NOMEM;
    }

    static int store_pre_key(uint32_t id, uint8_t* record, size_t length, void* user_data) {
        OmemoStore& self = store(user_data);
        self.device_.pre_keys[id] = bytes(record, length);
        self.changed_ = true;
        return 0;
    }

    static int contains_pre_key(uint32_t id, void* user_data) {
        return store(user_data).device_.pre_keys.contains(id) ? 1 : 0;
    }

    static int remove_pre_key(uint32_t id, void* user_data) {
        OmemoStore& self = store(user_data);
        if (self.device_.pre_keys.erase(id) > 0) {
            self.changed_ = true;
            self.pre_key_used_ = true;
        }
        return 0;
    }

    // The signed pre-key: one, replaced whole when it changes.
    static int load_signed_pre_key(signal_buffer** record, uint32_t id, void* user_data) {
        const StoredDevice& device = store(user_data).device_;
        if (id != device.signed_pre_key_id || device.signed_pre_key.isEmpty())
            return SG_ERR_INVALID_KEY_ID;
        *record = buffer(device.signed_pre_key);
        return *record ? SG_SUCCESS : SG_ERR_NOMEM;
    }

    static int store_signed_pre_key(uint32_t id, uint8_t* record, size_t length, void* user_data) {
        OmemoStore& self = store(user_data);
        self.device_.signed_pre_key_id = id;
        self.device_.signed_pre_key = bytes(record, length);
        self.changed_ = true;
        return 0;
    }

    static int contains_signed_pre_key(uint32_t id, void* user_data) {
        const StoredDevice& device = store(user_data).device_;
        return id == device.signed_pre_key_id && !device.signed_pre_key.isEmpty() ? 1 : 0;
    }

    static int remove_signed_pre_key(uint32_t id, void* user_data) {
        OmemoStore& self = store(user_data);
        if (id == self.device_.signed_pre_key_id) {
            self.device_.signed_pre_key.clear();
            self.changed_ = true;
        }
        return 0;
    }

    // Identities.
    static int identity_key_pair(signal_buffer** public_data, signal_buffer** private_data,
                                 void* user_data) {
        const StoredDevice& device = store(user_data).device_;
        *public_data = buffer(device.identity_public);
        *private_data = buffer(device.identity_private);
        return *public_data && *private_data ? 0 : SG_ERR_NOMEM;
    }

    static int registration_id(void* user_data, uint32_t* id) {
        *id = store(user_data).device_.device_id;
        return 0;
    }

    static int save_identity(const signal_protocol_address* address, uint8_t* key_data,
                             size_t length, void* user_data) {
        OmemoStore& self = store(user_data);
        auto& identities = self.device_.identities;
        if (!key_data) {
            self.changed_ = identities.erase(key(address)) > 0 || self.changed_;
            return 0;
        }
        QByteArray& known = identities[key(address)];
        const QByteArray identity = bytes(key_data, length);
        if (known != identity) {
            known = identity;
            self.changed_ = true;
        }
        return 0;
    }

    // Trust is decided above the device, before a message is sent or a command obeyed: here
    // every identity may build a session, and save_identity remembers it.
    static int is_trusted(const signal_protocol_address*, uint8_t*, size_t, void*) { return 1; }
};

bool OmemoStore::attach(signal_protocol_store_context* context) {
    using C = StoreCallbacks;
    const signal_protocol_session_store sessions{
        C::load_session,   C::sub_device_sessions, C::store_session, C::contains_session,
        C::delete_session, C::delete_all_sessions, nullptr,          this};
    const signal_protocol_pre_key_store pre_keys{
        C::load_pre_key, C::store_pre_key, C::contains_pre_key, C::remove_pre_key, nullptr, this};
    const signal_protocol_signed_pre_key_store signed_pre_keys{C::load_signed_pre_key,
                                                               C::store_signed_pre_key,
                                                               C::contains_signed_pre_key,
                                                               C::remove_signed_pre_key,
                                                               nullptr,
                                                               this};
    const signal_protocol_identity_key_store identities{
        C::identity_key_pair, C::registration_id, C::save_identity, C::is_trusted, nullptr, this};
    return signal_protocol_store_context_set_session_store(context, &sessions) == 0 &&
           signal_protocol_store_context_set_pre_key_store(context, &pre_keys) == 0 &&
           signal_protocol_store_context_set_signed_pre_key_store(context, &signed_pre_keys) == 0 &&
           signal_protocol_store_context_set_identity_key_store(context, &identities) == 0;
}

}  // namespace omemo
