#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

// The pieces of OMEMO (the eu.siacs.conversations.axolotl namespace that Conversations, Monal,
// Dino and Gajim share) as plain values, apart from their XML and from the ratchet that makes them.
namespace omemo {

using DeviceId = std::uint32_t;

// One device of one account.
struct Address {
    QString jid;  // bare
    DeviceId device = 0;
    friend bool operator==(const Address&, const Address&) = default;
};

struct PreKey {
    std::uint32_t id = 0;
    QByteArray public_key;  // serialized with its key-type byte, as the apps publish it
    friend bool operator==(const PreKey&, const PreKey&) = default;
};

// What a device publishes so that others can start a session with it without it being online.
struct Bundle {
    QByteArray identity_key;  // serialized with its key-type byte
    std::uint32_t signed_pre_key_id = 0;
    QByteArray signed_pre_key;
    QByteArray signed_pre_key_signature;
    std::vector<PreKey> pre_keys;
    friend bool operator==(const Bundle&, const Bundle&) = default;
};

// The message key (and the payload's authentication tag), encrypted for one device.
struct KeyForDevice {
    DeviceId device = 0;
    QByteArray data;
    bool pre_key = false;  // the first message of a session, which the receiver builds it from
    friend bool operator==(const KeyForDevice&, const KeyForDevice&) = default;
};

// One OMEMO message: the payload encrypted once, its key once for every recipient device.
struct Envelope {
    DeviceId sender = 0;
    std::vector<KeyForDevice> keys;
    QByteArray iv;
    QByteArray payload;  // empty for a key transport message (no body)
    friend bool operator==(const Envelope&, const Envelope&) = default;
};

}  // namespace omemo
