#pragma once

#include <QDateTime>
#include <QDomElement>
#include <QString>
#include <functional>

class QXmlStreamWriter;

// The stanzas the machine sends, as text, and small readers for the ones it receives.
namespace xmpp {

inline constexpr auto ns_roster = "jabber:iq:roster";
inline constexpr auto ns_disco_info = "http://jabber.org/protocol/disco#info";
inline constexpr auto ns_disco_items = "http://jabber.org/protocol/disco#items";
inline constexpr auto ns_upload = "urn:xmpp:http:upload:0";
inline constexpr auto ns_oob = "jabber:x:oob";
inline constexpr auto ns_delay = "urn:xmpp:delay";
inline constexpr auto ns_jmi = "urn:xmpp:jingle-message:0";
inline constexpr auto ns_rtp = "urn:xmpp:jingle:apps:rtp:1";
inline constexpr auto ns_carbons = "urn:xmpp:carbons:2";
inline constexpr auto ns_ping = "urn:xmpp:ping";
inline constexpr auto ns_caps = "http://jabber.org/protocol/caps";
inline constexpr auto ns_stanzas = "urn:ietf:params:xml:ns:xmpp-stanzas";
inline constexpr auto ns_pubsub = "http://jabber.org/protocol/pubsub";
inline constexpr auto ns_pubsub_event = "http://jabber.org/protocol/pubsub#event";

using Children = std::function<void(QXmlStreamWriter&)>;
// Writes the element given as XML text (with its namespaces); nothing when it is not XML.
Children element(const QString& xml);

// What can be told of a received stanza before it is parsed into a document.
struct Head {
    QString name, type, from, id;
};

QString new_id();
QString bare(const QString& jid);
// The bare address as a key: its user and domain parts compare without regard to case (the
// servers fold them), so "Owner@Example.org" and "owner@example.org" are one account.
QString bare_key(const QString& jid);
bool same_account(const QString& a, const QString& b);

// <message type="chat"> to `to`, with a body when `body` is not empty, then `children`.
QString chat_message(const QString& to, const QString& body, const Children& children = {});
// The body is the URL, repeated in an out-of-band element so that apps show the picture.
QString picture_message(const QString& to, const QString& url);
// A Jingle Message Initiation element (propose, ringing, proceed, reject, retract, finish).
// A proposal names video, and audio too when the call carries media (`media_calls`).
QString call_message(const QString& to, const QString& action, const QString& session_id,
                     bool media_calls = false);
QString presence(const QString& to = {}, const QString& type = {});
QString iq(const QString& to, const QString& type, const QString& id, const Children& children);
QString empty_result(const QDomElement& request);
QString error_reply(const QDomElement& request, const QString& type, const QString& condition);
// What this client can do, for disco#info and the capabilities hash in its presence: Jingle
// calls only when it has media for them (`media_calls`).
// And, with `omemo`, that it wants to hear of its contacts' encryption devices.
QStringList features(bool media_calls, bool omemo = false);
QString disco_info_result(const QDomElement& request, bool media_calls = false, bool omemo = false);
QString available_presence(bool media_calls = false, bool omemo = false);

QDomElement child(const QDomElement& parent, const QString& name, const char* ns);
// The moment a delayed stanza was first sent; invalid when it was not delayed.
QDateTime delay_stamp(const QDomElement& stanza);
// The message (as chat_message and the others write it) with a delay stamp saying when it was
// first meant to go, for one that leaves late.
QString with_delay(const QString& message, const QDateTime& sent);

}  // namespace xmpp
