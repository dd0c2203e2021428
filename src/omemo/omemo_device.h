#pragma once

#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "omemo/omemo_types.h"

// This machine as one OMEMO device: its identity, its pre-keys and its sessions with the
// owner's devices, kept in one file of the application folder (readable by its owner alone,
// written whole and atomically after every change, so that a crash never leaves a session
// behind the ratchet). The Signal protocol itself is libomemo-c's, its crypto OpenSSL's.
class OmemoDevice {
  public:
    // Opens the device kept in `file`, creating a new identity (and device id) when the file
    // does not exist yet. nullptr, with the reason, when the file cannot be read or written.
    static std::unique_ptr<OmemoDevice> open(const QString& file, QString* problem);
    virtual ~OmemoDevice() = default;

    virtual omemo::DeviceId device_id() const = 0;
    // The identity key's fingerprint as the apps show it: 64 lower-case hex digits, without the
    // key-type byte.
    virtual QString fingerprint() const = 0;
    // What to publish: the identity, the signed pre-key and the unused pre-keys.
    virtual omemo::Bundle bundle() const = 0;
    // Whether a pre-key was used up since the last call (or the device was just opened): the
    // bundle must be published again.
    virtual bool take_bundle_changed() = 0;

    virtual bool has_session(const omemo::Address& peer) const = 0;
    // Starts a session with a device from its published bundle.
    virtual bool start_session(const omemo::Address& peer, const omemo::Bundle& bundle,
                               QString* problem) = 0;
    // The fingerprint of a peer device's identity (empty when it is not known).
    virtual QString peer_fingerprint(const omemo::Address& peer) const = 0;
    // Whether the identity of any device of `jid` (bare) is kept, from this run or an earlier one.
    virtual bool knows_contact(const QString& jid) const = 0;

    // Encrypts `body` (UTF-8) for every device given that has a session; nullopt when none has.
    virtual std::optional<omemo::Envelope> encrypt(const QByteArray& body,
                                                   const std::vector<omemo::Address>& to) = 0;

    struct Decrypted {
        bool ok = false;
        QByteArray body;      // empty for a key transport message
        QString problem;      // why not, when not ok
        QString fingerprint;  // the sender device's identity
    };
    // Decrypts a message from `from_jid` (bare, as the server authenticated it). A message that
    // is not for this device, damaged, or replayed is refused, never half-read.
    virtual Decrypted decrypt(const QString& from_jid, const omemo::Envelope& envelope) = 0;
};
