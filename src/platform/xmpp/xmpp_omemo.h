#pragma once

#include <QDomElement>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "account/xmpp_account.h"
#include "omemo/omemo_types.h"
#include "platform/xmpp/xmpp_outbox.h"
#include "platform/xmpp/xmpp_upload.h"
#include "time/lifetime.h"

class OmemoDevice;

// The machine's end-to-end encryption on its XMPP account: OMEMO as the messenger apps speak it
// (eu.siacs.conversations.axolotl), driven by XmppOwnerSide.
//
// The machine is one device. At every stream start it publishes its bundle and makes sure its id
// is in the account's device list (keeping the other ids there), both open to anyone, as the apps
// need to write to it; it does so again when a notification shows the server lost its id, and
// when a pre-key was used up. It learns a contact's devices when it first writes to them, and
// from the server's notifications after that; it starts a session from the bundle of each
// device it has none with.
//
// As the outbox's Privacy it says how each message goes: it waits until the contact's devices
// are known (so nothing leaves in clear by a race at the stream's start), plain to a contact
// without devices, otherwise encrypted to every trusted device. Trust is blind until the owner's
// fingerprints are set in the account file; from then on only the owner's devices named there
// are written to or obeyed. A device that joins the owner's account while the machine runs is
// told to the owner, with its fingerprint.
class XmppOmemo : public XmppOutbox::Privacy {
  public:
    using AskIq = XmppUpload::AskIq;
    struct Policy {
        XmppAccount::Encryption encryption = XmppAccount::Encryption::omemo;
        QStringList owner_fingerprints;  // 64 lower-case hex digits each
    };

    XmppOmemo(std::unique_ptr<OmemoDevice> device, Policy policy, AskIq ask);
    ~XmppOmemo() override;
    XmppOmemo(const XmppOmemo&) = delete;
    XmppOmemo& operator=(const XmppOmemo&) = delete;

    // The call target: the owner whose devices the fingerprints name.
    std::function<QString()> owner;
    // What the routes depend on changed: the outbox looks again.
    std::function<void()> changed;
    // A line of the machine's own to a contact, through the outbox (so encrypted where it can be).
    std::function<void(const QString& to, const QString& text)> tell;

    void stream_up(const QString& own_jid);
    void stream_down();
    // A server's notification (<event> of pubsub) from the machine's own account or a contact.
    void event(const QString& from, const QDomElement& event);
    // An <encrypted> element from a contact, as the server authenticated them: the body to obey,
    // nullopt when there is none (a key transport) or it cannot be had (the contact is told).
    std::optional<QString> decrypt(const QString& from, const QDomElement& encrypted);
    // Whether the owner's unencrypted commands are obeyed.
    bool obeys_plain() const { return policy_.encryption != XmppAccount::Encryption::omemo; }

    Route route(const QString& to) override;
    QString sealed_message(const QString& to, const QString& body) override;

    omemo::DeviceId device_id() const;
    QString fingerprint() const;

    // The body beside the encrypted one, for apps that cannot read it.
    static const QString fallback_body;
    static const QString cannot_decrypt_line;

  private:
    struct Peer {
        QString jid;  // bare
        enum class List { unknown, asking, known } list = List::unknown;
        // Once its list is known, devices that come after that are new (in an earlier run, those
        // whose identities the device did not keep).
        bool ever_known = false;
        std::vector<omemo::DeviceId> devices;
        std::set<omemo::DeviceId> asking;    // their bundles are on the way
        std::set<omemo::DeviceId> failed;    // no session could be had, until the list changes
        std::set<omemo::DeviceId> announce;  // new: the owner is told once its identity is known
        bool blocked_told = false;
    };

    Peer& peer(const QString& jid);
    bool is_owner(const QString& jid) const;
    bool trusted(const Peer& peer, omemo::DeviceId device) const;
    std::vector<omemo::Address> recipients(const Peer& peer) const;
    void fetch_list(Peer& peer);
    void list_arrived(const QString& key, const QDomElement& reply);
    void set_devices(Peer& peer, const std::vector<omemo::DeviceId>& devices);
    void fetch_bundle(Peer& peer, omemo::DeviceId device);
    void bundle_arrived(const QString& key, omemo::DeviceId device, const QDomElement& reply);
    void announce(const Peer& peer, omemo::DeviceId device);
    void fetch_own_list();
    void own_list(const std::vector<omemo::DeviceId>& devices);
    void publish_bundle();
    void republish_if_used();
    void publish(const QString& node, const QString& payload, bool open_access);
    void notify_changed() {
        if (changed) changed();
    }

    std::unique_ptr<OmemoDevice> device_;
    Policy policy_;
    AskIq ask_;
    QString own_;  // the account's bare address
    bool up_ = false;
    std::map<QString, Peer> peers_;  // by bare_key
    Lifetime lifetime_;
};
