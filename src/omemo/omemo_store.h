#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <map>
#include <utility>

#include "omemo/omemo_types.h"

struct signal_protocol_store_context;

namespace omemo {

// Everything the device keeps between runs: its identity, its pre-keys and its sessions, each
// record as the Signal protocol library serialized it.
struct StoredDevice {
    DeviceId device_id = 0;
    QByteArray identity_public;  // with its key-type byte
    QByteArray identity_private;
    std::uint32_t signed_pre_key_id = 0;
    QByteArray signed_pre_key;  // the serialized record, private key and signature included
    std::map<std::uint32_t, QByteArray> pre_keys;
    std::uint32_t next_pre_key_id = 1;
    // By bare JID and device id.
    std::map<std::pair<QString, DeviceId>, QByteArray> sessions;
    std::map<std::pair<QString, DeviceId>, QByteArray> identities;
};

// The stores the Signal protocol library reads and writes through, over one StoredDevice in
// memory. Every change is noted so that the owner of the store writes it out once per
// operation rather than once per callback.
class OmemoStore {
  public:
    explicit OmemoStore(StoredDevice device) : device_(std::move(device)) {}

    const StoredDevice& device() const { return device_; }
    StoredDevice& device() { return device_; }

    // Hands the library this store's callbacks; the store must outlive `context`.
    bool attach(signal_protocol_store_context* context);

    // Whether anything changed since the last call.
    bool take_changed() { return std::exchange(changed_, false); }
    // Whether a pre-key was used up (and removed) since the last call.
    bool take_pre_key_used() { return std::exchange(pre_key_used_, false); }
    void note_changed() { changed_ = true; }

  private:
    StoredDevice device_;
    bool changed_ = false;
    bool pre_key_used_ = false;

    friend struct StoreCallbacks;
};

}  // namespace omemo
