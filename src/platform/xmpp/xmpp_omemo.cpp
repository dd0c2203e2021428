#include "platform/xmpp/xmpp_omemo.h"

#include <QXmlStreamWriter>
#include <algorithm>

#include "log/categories.h"
#include "omemo/omemo_device.h"
#include "omemo/omemo_xml.h"
#include "platform/xmpp/xmpp_stanzas.h"

namespace {

const QString current_item = QStringLiteral("current");

QString bundle_node(omemo::DeviceId device) {
    return QLatin1String(omemo::xml::bundle_node_prefix) + QString::number(device);
}

xmpp::Children items_query(const QString& node) {
    return [node](QXmlStreamWriter& w) {
        w.writeStartElement(QStringLiteral("pubsub"));
        w.writeDefaultNamespace(QLatin1String(xmpp::ns_pubsub));
        w.writeStartElement(QStringLiteral("items"));
        w.writeAttribute(QStringLiteral("node"), node);
        w.writeEndElement();
        w.writeEndElement();
    };
}

// The payload of the first item of an answer to items_query or of a notification's <items>.
QDomElement first_payload(const QDomElement& items) {
    return items.firstChildElement(QStringLiteral("item")).firstChildElement();
}

QDomElement answered_items(const QDomElement& reply) {
    return xmpp::child(reply, QStringLiteral("pubsub"), xmpp::ns_pubsub)
        .firstChildElement(QStringLiteral("items"));
}

QString error_condition(const QDomElement& reply) {
    const QDomElement error = reply.firstChildElement(QStringLiteral("error"));
    for (QDomElement e = error.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        if (e.namespaceURI() == QLatin1String(xmpp::ns_stanzas)) return e.localName();
    return QStringLiteral("no answer");
}

bool is_error(const QDomElement& reply) {
    return reply.isNull() || reply.attribute(QStringLiteral("type")) != QLatin1String("result");
}

}  // namespace

const QString XmppOmemo::fallback_body =
    QStringLiteral("This message is encrypted (OMEMO). Your app cannot read it.");
const QString XmppOmemo::cannot_decrypt_line =
    QStringLiteral("I could not decrypt your message. Send it again.");

XmppOmemo::XmppOmemo(std::unique_ptr<OmemoDevice> device, Policy policy, AskIq ask)
    : device_(std::move(device)), policy_(std::move(policy)), ask_(std::move(ask)) {}

XmppOmemo::~XmppOmemo() {
    lifetime_.end();
}

omemo::DeviceId XmppOmemo::device_id() const {
    return device_->device_id();
}

QString XmppOmemo::fingerprint() const {
    return device_->fingerprint();
}

// ---- the stream

// What the server told of devices may have changed while the stream was down: asked again.
void XmppOmemo::stream_up(const QString& own_jid) {
    up_ = true;
    own_ = xmpp::bare(own_jid);
    for (auto& [key, peer] : peers_) {
        peer.list = Peer::List::unknown;
        peer.asking.clear();
        peer.failed.clear();
    }
    // Published at every start whatever the device says: what the server holds may be older.
    device_->take_bundle_changed();
    publish_bundle();
    fetch_own_list();
    // The owner's devices are asked for at once: what the machine says waits until they are known.
    if (owner)
        if (const QString target = owner(); !target.isEmpty()) fetch_list(peer(target));
}

void XmppOmemo::fetch_own_list() {
    ask_(own_, QStringLiteral("get"), items_query(QLatin1String(omemo::xml::devicelist_node)),
         lifetime_.guard([this](const QDomElement& reply) {
             // Without an answer the list is not written blind, which could drop the account's
             // other devices: asked again while the stream lasts.
             if (reply.isNull()) {
                 if (up_) fetch_own_list();
                 return;
             }
             own_list(omemo::xml::parse_device_list(first_payload(answered_items(reply))));
         }));
}

void XmppOmemo::stream_down() {
    up_ = false;
}

void XmppOmemo::own_list(const std::vector<omemo::DeviceId>& devices) {
    if (std::find(devices.begin(), devices.end(), device_id()) != devices.end()) return;
    qCInfo(xmpp_log) << "publishing the machine's OMEMO device" << device_id()
                     << "in the account's device list";
    std::vector<omemo::DeviceId> with_ours = devices;
    with_ours.push_back(device_id());
    publish(QLatin1String(omemo::xml::devicelist_node), omemo::xml::device_list_xml(with_ours),
            true);
}

void XmppOmemo::publish_bundle() {
    publish(bundle_node(device_id()), omemo::xml::bundle_xml(device_->bundle()), true);
}

void XmppOmemo::republish_if_used() {
    if (device_->take_bundle_changed() && up_) publish_bundle();
}

// Open to anyone, so that the owner's apps can write to the machine without a subscription of
// their own; a server that refuses the option is asked again without it.
void XmppOmemo::publish(const QString& node, const QString& payload, bool open_access) {
    const auto content = [node, payload, open_access](QXmlStreamWriter& w) {
        w.writeStartElement(QStringLiteral("pubsub"));
        w.writeDefaultNamespace(QLatin1String(xmpp::ns_pubsub));
        w.writeStartElement(QStringLiteral("publish"));
        w.writeAttribute(QStringLiteral("node"), node);
        w.writeStartElement(QStringLiteral("item"));
        w.writeAttribute(QStringLiteral("id"), current_item);
        xmpp::element(payload)(w);
        w.writeEndElement();
        w.writeEndElement();
        if (open_access) {
            w.writeStartElement(QStringLiteral("publish-options"));
            w.writeStartElement(QStringLiteral("x"));
            w.writeDefaultNamespace(QStringLiteral("jabber:x:data"));
            w.writeAttribute(QStringLiteral("type"), QStringLiteral("submit"));
            const auto field = [&w](const QString& var, const QString& value, bool hidden) {
                w.writeStartElement(QStringLiteral("field"));
                w.writeAttribute(QStringLiteral("var"), var);
                if (hidden) w.writeAttribute(QStringLiteral("type"), QStringLiteral("hidden"));
                w.writeTextElement(QStringLiteral("value"), value);
                w.writeEndElement();
            };
            field(QStringLiteral("FORM_TYPE"),
                  QStringLiteral("http://jabber.org/protocol/pubsub#publish-options"), true);
            field(QStringLiteral("pubsub#access_model"), QStringLiteral("open"), false);
            w.writeEndElement();
            w.writeEndElement();
        }
        w.writeEndElement();
    };
    ask_({}, QStringLiteral("set"), content,
         lifetime_.guard([this, node, payload, open_access](const QDomElement& reply) {
             if (reply.isNull()) {
                 if (up_) publish(node, payload, open_access);
                 return;
             }
             if (!is_error(reply)) return;
             if (open_access) {
                 qCInfo(xmpp_log) << "the server refused to open" << node << "to anyone ("
                                  << error_condition(reply) << "): publishing it as it is";
                 publish(node, payload, false);
                 return;
             }
             qCWarning(xmpp_log) << "cannot publish" << node << ":" << error_condition(reply);
         }));
}

void XmppOmemo::event(const QString& from, const QDomElement& event) {
    const QDomElement items = event.firstChildElement(QStringLiteral("items"));
    const auto about_devices = [](const QDomElement& e) {
        return e.attribute(QStringLiteral("node")) == QLatin1String(omemo::xml::devicelist_node);
    };
    std::vector<omemo::DeviceId> devices;
    if (about_devices(items))
        devices = omemo::xml::parse_device_list(first_payload(items));
    else if (!about_devices(event.firstChildElement(QStringLiteral("delete"))) &&
             !about_devices(event.firstChildElement(QStringLiteral("purge"))))
        return;
    if (xmpp::same_account(from, own_))
        own_list(devices);
    else
        set_devices(peer(from), devices);
}

// ---- a contact's devices

XmppOmemo::Peer& XmppOmemo::peer(const QString& jid) {
    Peer& found = peers_[xmpp::bare_key(jid)];
    if (found.jid.isEmpty()) found.jid = xmpp::bare(jid);
    return found;
}

bool XmppOmemo::is_owner(const QString& jid) const {
    const QString target = owner ? owner() : QString();
    return !target.isEmpty() && xmpp::same_account(jid, target);
}

bool XmppOmemo::trusted(const Peer& peer, omemo::DeviceId device) const {
    if (policy_.owner_fingerprints.isEmpty() || !is_owner(peer.jid)) return true;
    return policy_.owner_fingerprints.contains(
        device_->peer_fingerprint(omemo::Address{peer.jid, device}));
}

std::vector<omemo::Address> XmppOmemo::recipients(const Peer& peer) const {
    std::vector<omemo::Address> to;
    for (const omemo::DeviceId device : peer.devices) {
        const omemo::Address address{peer.jid, device};
        if (device_->has_session(address) && trusted(peer, device)) to.push_back(address);
    }
    return to;
}

void XmppOmemo::fetch_list(Peer& peer) {
    peer.list = Peer::List::asking;
    ask_(peer.jid, QStringLiteral("get"), items_query(QLatin1String(omemo::xml::devicelist_node)),
         lifetime_.guard([this, key = xmpp::bare_key(peer.jid)](const QDomElement& reply) {
             list_arrived(key, reply);
         }));
}

void XmppOmemo::list_arrived(const QString& key, const QDomElement& reply) {
    Peer& peer = peers_[key];
    if (peer.list != Peer::List::asking) return;  // a notification came first, or a new stream
    if (reply.isNull()) {
        // No answer: asked again when the outbox looks next, while anything waits for it.
        peer.list = Peer::List::unknown;
        if (up_) notify_changed();
        return;
    }
    // A contact who never published devices has no node; a server that will not tell is taken
    // the same way: the apps could not write to that contact encrypted either.
    if (is_error(reply) && error_condition(reply) != QLatin1String("item-not-found"))
        qCWarning(xmpp_log) << "cannot learn the OMEMO devices of" << peer.jid << ":"
                            << error_condition(reply);
    set_devices(peer, is_error(reply)
                          ? std::vector<omemo::DeviceId>{}
                          : omemo::xml::parse_device_list(first_payload(answered_items(reply))));
}

void XmppOmemo::set_devices(Peer& peer, const std::vector<omemo::DeviceId>& devices) {
    // The first list of a run is compared with what the last runs kept, so that a device added
    // while the machine was off is told too; a contact never written to has nothing new.
    const bool known_before = !peer.ever_known && device_->knows_contact(peer.jid);
    for (const omemo::DeviceId device : devices) {
        const bool is_new =
            peer.ever_known
                ? std::find(peer.devices.begin(), peer.devices.end(), device) == peer.devices.end()
                : known_before && device_->peer_fingerprint({peer.jid, device}).isEmpty();
        if (is_new) peer.announce.insert(device);
    }
    peer.devices = devices;
    peer.list = Peer::List::known;
    peer.ever_known = true;
    peer.failed.clear();
    peer.blocked_told = false;
    // A new device is looked at at once, whether or not anything is on its way to the contact.
    for (const omemo::DeviceId device : std::set(peer.announce))
        if (up_ && !device_->has_session(omemo::Address{peer.jid, device}))
            fetch_bundle(peer, device);
    notify_changed();
}

void XmppOmemo::fetch_bundle(Peer& peer, omemo::DeviceId device) {
    if (!peer.asking.insert(device).second) return;
    ask_(peer.jid, QStringLiteral("get"), items_query(bundle_node(device)),
         lifetime_.guard([this, key = xmpp::bare_key(peer.jid), device](const QDomElement& reply) {
             bundle_arrived(key, device, reply);
         }));
}

void XmppOmemo::bundle_arrived(const QString& key, omemo::DeviceId device,
                               const QDomElement& reply) {
    Peer& peer = peers_[key];
    if (!peer.asking.erase(device) || !up_) return;
    const auto bundle = omemo::xml::parse_bundle(first_payload(answered_items(reply)));
    QString problem = is_error(reply) ? error_condition(reply) : QStringLiteral("a bad bundle");
    if (!bundle || !device_->start_session(omemo::Address{peer.jid, device}, *bundle, &problem)) {
        qCWarning(xmpp_log) << "no OMEMO session with device" << device << "of" << peer.jid << ":"
                            << problem;
        peer.failed.insert(device);
    } else if (peer.announce.erase(device)) {
        announce(peer, device);
    }
    notify_changed();
}

// Told to the owner's devices, so that a device the owner does not know of is noticed.
void XmppOmemo::announce(const Peer& peer, omemo::DeviceId device) {
    if (!is_owner(peer.jid) || !tell) return;
    const QString fingerprint =
        XmppAccount::grouped(device_->peer_fingerprint(omemo::Address{peer.jid, device}));
    qCWarning(xmpp_log) << "a new OMEMO device of the owner:" << device << fingerprint;
    tell(peer.jid,
         trusted(peer, device)
             ? QStringLiteral("A new device of yours can now read what I send: %1. If it is not "
                              "yours, name your devices in owner_fingerprints.")
                   .arg(fingerprint)
             : QStringLiteral("A new device of yours is not trusted: %1. If it is yours, add it "
                              "to owner_fingerprints.")
                   .arg(fingerprint));
}

// ---- what goes out

XmppOutbox::Privacy::Route XmppOmemo::route(const QString& to) {
    if (policy_.encryption == XmppAccount::Encryption::off) return Route::plain;
    if (!up_) return Route::wait;
    Peer& peer = this->peer(to);
    if (peer.list == Peer::List::unknown) fetch_list(peer);
    if (peer.list != Peer::List::known) return Route::wait;
    if (peer.devices.empty()) return Route::plain;
    bool pending = false;
    for (const omemo::DeviceId device : peer.devices) {
        if (device_->has_session(omemo::Address{peer.jid, device}) || peer.failed.count(device))
            continue;
        pending = true;
        fetch_bundle(peer, device);
    }
    if (pending) return Route::wait;
    if (!recipients(peer).empty()) return Route::sealed;
    // Never in clear to someone who reads encrypted: it waits for a device it may go to.
    if (!peer.blocked_told)
        qCWarning(xmpp_log) << "messages to" << peer.jid
                            << "wait: none of their OMEMO devices can be written to (trusted, "
                               "with a session)";
    peer.blocked_told = true;
    return Route::wait;
}

QString XmppOmemo::sealed_message(const QString& to, const QString& body) {
    const std::vector<omemo::Address> devices = recipients(peer(to));
    const auto envelope = devices.empty() ? std::nullopt : device_->encrypt(body.toUtf8(), devices);
    republish_if_used();
    if (!envelope) {
        qCWarning(xmpp_log) << "a message to" << xmpp::bare(to) << "could not be encrypted";
        return {};
    }
    return xmpp::chat_message(
        to, fallback_body, [xml = omemo::xml::envelope_xml(*envelope)](QXmlStreamWriter& w) {
            xmpp::element(xml)(w);
            // Tells the apps how it is encrypted, and the server to keep
            // it for the owner's other devices.
            w.writeStartElement(QStringLiteral("encryption"));
            w.writeDefaultNamespace(QStringLiteral("urn:xmpp:eme:0"));
            w.writeAttribute(QStringLiteral("namespace"), QLatin1String(omemo::xml::ns));
            w.writeAttribute(QStringLiteral("name"), QStringLiteral("OMEMO"));
            w.writeEndElement();
            w.writeStartElement(QStringLiteral("store"));
            w.writeDefaultNamespace(QStringLiteral("urn:xmpp:hints"));
            w.writeEndElement();
        });
}

// ---- what comes in

std::optional<QString> XmppOmemo::decrypt(const QString& from, const QDomElement& encrypted) {
    const QString sender = xmpp::bare(from);
    const auto envelope = omemo::xml::parse_envelope(encrypted);
    const OmemoDevice::Decrypted plain =
        envelope ? device_->decrypt(sender, *envelope)
                 : OmemoDevice::Decrypted{false, {}, QStringLiteral("a malformed message"), {}};
    republish_if_used();
    if (!plain.ok) {
        qCWarning(xmpp_log) << "cannot decrypt a message from" << sender << ":" << plain.problem;
        if (tell) tell(sender, cannot_decrypt_line);
        return std::nullopt;
    }
    // A session may have started with it: what waited for one may go.
    notify_changed();
    if (!policy_.owner_fingerprints.isEmpty() && is_owner(sender) &&
        !policy_.owner_fingerprints.contains(plain.fingerprint)) {
        qCWarning(xmpp_log) << "not obeying a message from an unverified device of" << sender;
        if (tell && !plain.body.isEmpty())
            tell(sender, QStringLiteral("Not obeyed: sent from a device that is not in "
                                        "owner_fingerprints: %1.")
                             .arg(XmppAccount::grouped(plain.fingerprint)));
        return std::nullopt;
    }
    if (plain.body.isEmpty()) return std::nullopt;  // a key transport: it only moves the session on
    return QString::fromUtf8(plain.body);
}
