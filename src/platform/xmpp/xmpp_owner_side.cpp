#include "platform/xmpp/xmpp_owner_side.h"

#include <QXmlStreamWriter>

#include "client/client_core.h"
#include "jingle/jingle_session.h"
#include "log/categories.h"
#include "omemo/omemo_device.h"
#include "omemo/omemo_xml.h"
#include "platform/xmpp/xmpp_omemo.h"
#include "platform/xmpp/xmpp_stanzas.h"
#include "time/scheduler.h"

namespace {
QString one_line(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace('\n', ' ').replace('\r', ' ');
    return text.trimmed();
}
}  // namespace

XmppOwnerSide::XmppOwnerSide(ClientCore& client, Scheduler& scheduler, Options options)
    : client_(client),
      scheduler_(scheduler),
      options_(std::move(options)),
      upload_(
          [this](const QString& to, const QString& type,
                 const std::function<void(QXmlStreamWriter&)>& content,
                 std::function<void(const QDomElement&)> answer) {
              ask_iq(to, type, content, std::move(answer));
          },
          options_.domain, options_.ca_file),
      outbox_(scheduler, upload_,
              [this] { return ring_ms ? ring_ms() : XmppOutbox::default_ring_ms; }),
      stale_timer_(scheduler, QStringLiteral("stale commands"), stale_report_after_ms,
                   [this] { report_stale(); }) {
    outbox_.send = [this](const QString& stanza) { send(stanza); };
    outbox_.media_calls = media_calls();
    client_.set_far_side(this);
}

XmppOwnerSide::~XmppOwnerSide() {
    lifetime_.end();
    client_.set_far_side(nullptr);
}

const QString XmppOwnerSide::plain_refused_line = QStringLiteral(
    "Not obeyed: I take only encrypted commands. Switch on OMEMO encryption for "
    "this chat and send it again.");
const QString XmppOwnerSide::encryption_off_line = QStringLiteral(
    "Not obeyed: encryption is off on this machine and I cannot read encrypted "
    "messages. Send it unencrypted.");

void XmppOwnerSide::use_omemo(std::unique_ptr<OmemoDevice> device,
                              XmppAccount::Encryption encryption,
                              const QStringList& owner_fingerprints) {
    if (encryption == XmppAccount::Encryption::off) return;
    omemo_ = std::make_unique<XmppOmemo>(
        std::move(device), XmppOmemo::Policy{encryption, owner_fingerprints},
        [this](const QString& to, const QString& type,
               const std::function<void(QXmlStreamWriter&)>& content,
               std::function<void(const QDomElement&)> answer) {
            ask_iq(to, type, content, std::move(answer));
        });
    omemo_->owner = [this] { return current_target(); };
    omemo_->changed = [this] { outbox_.privacy_changed(); };
    omemo_->tell = [this](const QString& to, const QString& text) { outbox_.notice(to, text); };
    outbox_.set_privacy(omemo_.get());
}

// ---- the stream

void XmppOwnerSide::stream_up(const QString& own_jid) {
    own_jid_ = own_jid;
    up_ = true;
    roster_.forget();
    upload_.forget_service();
    const auto roster_query = [](QXmlStreamWriter& w) {
        w.writeStartElement(QStringLiteral("query"));
        w.writeDefaultNamespace(QLatin1String(xmpp::ns_roster));
        w.writeEndElement();
    };
    // The roster first, so that the presences the server sends next find their contacts.
    ask_iq({}, QStringLiteral("get"), roster_query, [this](const QDomElement& reply) {
        roster_arrived(xmpp::child(reply, QStringLiteral("query"), xmpp::ns_roster), true);
    });
    send(xmpp::available_presence(media_calls(), omemo_ != nullptr));
    // Before the outbox: what it sends waits for what the encryption learns first.
    if (omemo_) omemo_->stream_up(own_jid);
    outbox_.stream_up();
}

void XmppOwnerSide::stream_down() {
    up_ = false;
    // Before the questions are failed: the uploads asking them wait for the next stream.
    outbox_.stream_down();
    if (omemo_) omemo_->stream_down();
    roster_.forget();
    auto asked = std::move(asked_);
    asked_.clear();
    for (auto& [id, answer] : asked) answer(QDomElement());
}

bool XmppOwnerSide::admits(const Head& head) {
    if (head.from.isEmpty() || from_server(head.from)) return true;
    // Answers come from services too (the upload service has its own address): ours by their id.
    if (head.name == QLatin1String("iq") &&
        (head.type == QLatin1String("result") || head.type == QLatin1String("error")))
        return asked_.count(head.id) > 0;
    // Anyone may ask; only the call target is answered (subscription_request).
    if (head.name == QLatin1String("presence") && head.type == QLatin1String("subscribe"))
        return true;
    // Before the roster nobody is known yet: messages wait for it, bounded.
    if (!roster_.known()) return true;
    // Presence tells of subscriptions on their way, so everyone on the roster is heard.
    if (head.name == QLatin1String("presence") ? roster_.is_listed(head.from)
                                               : roster_.is_contact(head.from))
        return true;
    from_contact(head.from, head.name);  // logs the stranger, once
    return false;
}

bool XmppOwnerSide::from_server(const QString& from) const {
    const QString domain = own_jid_.isEmpty() ? options_.domain : own_jid_.section('@', 1);
    return xmpp::same_account(from, own_jid_) || xmpp::same_account(from, domain);
}

void XmppOwnerSide::receive(const QDomElement& stanza) {
    if (!admits(Head{stanza.localName(), stanza.attribute(QStringLiteral("type")),
                     stanza.attribute(QStringLiteral("from")),
                     stanza.attribute(QStringLiteral("id"))}))
        return;
    const QString kind = stanza.localName();
    if (kind == QLatin1String("message"))
        message(stanza);
    else if (kind == QLatin1String("presence"))
        presence(stanza);
    else if (kind == QLatin1String("iq"))
        iq(stanza);
}

void XmppOwnerSide::message(const QDomElement& stanza) {
    const QString type = stanza.attribute(QStringLiteral("type"), QStringLiteral("normal"));
    const QString from = stanza.attribute(QStringLiteral("from"));
    if (type != QLatin1String("error") && device_event(from, stanza)) return;
    if (type == QLatin1String("error") || type == QLatin1String("groupchat") ||
        type == QLatin1String("headline"))
        return;
    // Copies of our own conversations: never asked for, never obeyed.
    if (!xmpp::child(stanza, {}, xmpp::ns_carbons).isNull()) return;
    if (from.isEmpty() || xmpp::same_account(from, own_jid_)) return;
    if (!roster_.known()) {
        if (before_roster_.size() < before_roster_limit)
            before_roster_.push_back(stanza);
        else
            qCWarning(xmpp_log) << "a message from" << xmpp::bare(from)
                                << "dropped: too many before the roster came";
        return;
    }
    if (call_stanza(from, stanza)) return;
    // Some apps send their lines as "normal" messages (no type): they are obeyed the same.
    chat(from, stanza);
}

// The account's own notifications come at once; a contact's, only once the roster says who is one.
bool XmppOwnerSide::device_event(const QString& from, const QDomElement& stanza) {
    const QDomElement event = xmpp::child(stanza, QStringLiteral("event"), xmpp::ns_pubsub_event);
    if (event.isNull()) return false;
    if (!omemo_) return true;
    if (from.isEmpty() || xmpp::same_account(from, own_jid_)) {
        omemo_->event(own_jid_, event);
    } else if (!roster_.known()) {
        if (before_roster_.size() < before_roster_limit) before_roster_.push_back(stanza);
    } else if (from_contact(from, QStringLiteral("notification"))) {
        omemo_->event(from, event);
    }
    return true;
}

// Strangers are dropped before anything of theirs is decrypted. What comes encrypted is obeyed
// as it would be plain; what comes plain, only when the policy allows (the owner is told why
// not: a phone whose app lost its encryption must not wait for answers in vain).
std::optional<QString> XmppOwnerSide::readable_body(const QString& from,
                                                    const QDomElement& stanza) {
    const QDomElement encrypted = xmpp::child(stanza, QStringLiteral("encrypted"), omemo::xml::ns);
    const QString plain = one_line(stanza.firstChildElement(QStringLiteral("body")).text());
    if (encrypted.isNull() && plain.isEmpty()) return std::nullopt;
    if (!from_contact(from, QStringLiteral("message"))) return std::nullopt;
    const bool owner = xmpp::same_account(from, current_target());
    if (!encrypted.isNull()) {
        if (!omemo_) {
            qCWarning(xmpp_log) << "an encrypted message from" << xmpp::bare(from)
                                << "not read: encryption is off";
            if (owner) outbox_.notice(xmpp::bare(from), encryption_off_line);
            return std::nullopt;
        }
        // Only the owner's: anyone else's first message would use up a pre-key and leave a
        // session behind, and the program obeys nobody else anyway.
        if (!owner) {
            qCInfo(xmpp_log) << "not decrypting a message from" << xmpp::bare(from)
                             << "(not the call target)";
            return std::nullopt;
        }
        const std::optional<QString> body = omemo_->decrypt(from, encrypted);
        return body ? std::optional(one_line(*body)) : std::nullopt;
    }
    if (omemo_ && !omemo_->obeys_plain()) {
        qCWarning(xmpp_log) << "not obeying an unencrypted message from" << xmpp::bare(from);
        if (owner) outbox_.notice(xmpp::bare(from), plain_refused_line);
        return std::nullopt;
    }
    return plain;
}

void XmppOwnerSide::chat(const QString& from, const QDomElement& stanza) {
    const std::optional<QString> readable = readable_body(from, stanza);
    if (!readable || readable->isEmpty()) return;
    const QString& body = *readable;
    const QDateTime sent = xmpp::delay_stamp(stanza);
    if (sent.isValid() &&
        sent.secsTo(scheduler_.current_date_time()) > options_.stale_minutes * 60) {
        qCInfo(xmpp_log) << "not obeying a delayed message from" << sent.toString(Qt::ISODate);
        // The owner reads the time on a clock of their own: the machine's local time, as its
        // snapshots are named.
        stale_.append(
            QStringLiteral("\"%1\" (%2)")
                .arg(body, sent.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm"))));
        stale_from_ = xmpp::bare(from);
        stale_timer_.set_enabled(false);
        stale_timer_.set_enabled(true);
        return;
    }
    client_.say(body, handle_for(from));
}

void XmppOwnerSide::report_stale() {
    stale_timer_.set_enabled(false);
    if (stale_.isEmpty()) return;
    const int minutes = options_.stale_minutes;
    outbox_.notice(stale_from_,
                   QStringLiteral("Not obeyed: sent while I was offline, more than %1 %2 "
                                  "ago: %3. Send again if you still mean it.")
                       .arg(minutes)
                       .arg(minutes == 1 ? QLatin1String("minute") : QLatin1String("minutes"))
                       .arg(stale_.join(QLatin1String(", "))));
    stale_.clear();
}

bool XmppOwnerSide::from_contact(const QString& from, const QString& what) {
    const QString bare = xmpp::bare(from);
    if (roster_.is_contact(bare)) return true;
    if (strangers_logged_.size() < remembered_strangers &&
        strangers_logged_.insert(xmpp::bare_key(bare)).second)
        qCWarning(xmpp_log) << "ignoring" << what << "from" << bare
                            << "(not a contact with a mutual subscription)";
    return false;
}

QString XmppOwnerSide::handle_for(const QString& jid) const {
    const QString target = current_target();
    if (!target.isEmpty() && xmpp::same_account(jid, target)) return xmpp::bare(target);
    return roster_.spelled(xmpp::bare(jid));
}

void XmppOwnerSide::presence(const QDomElement& stanza) {
    const QString from = stanza.attribute(QStringLiteral("from"));
    if (xmpp::same_account(from, own_jid_)) return;
    if (stanza.attribute(QStringLiteral("type")) == QLatin1String("subscribe"))
        subscription_request(xmpp::bare(from));
    else
        roster_.presence(stanza);
}

// Only the owner the program calls may subscribe; everybody else waits unanswered.
void XmppOwnerSide::subscription_request(const QString& from) {
    if (!from.isEmpty() && xmpp::same_account(from, current_target())) {
        pending_subscriptions_.erase(xmpp::bare_key(from));
        send(xmpp::presence(from, QStringLiteral("subscribed")));
        const QString ours = roster_.subscription(from);
        if (ours != QLatin1String("to") && ours != QLatin1String("both"))
            send(xmpp::presence(from, QStringLiteral("subscribe")));
        return;
    }
    if (pending_subscriptions_.size() < remembered_strangers &&
        pending_subscriptions_.insert(xmpp::bare_key(from)).second)
        qCWarning(xmpp_log) << "leaving the subscription request of" << from
                            << "pending: not the call target";
}

void XmppOwnerSide::target_named(const QString& handle) {
    last_target_ = handle;
    if (up_ && pending_subscriptions_.count(xmpp::bare_key(handle)))
        subscription_request(roster_.spelled(handle));
}

QString XmppOwnerSide::current_target() const {
    const QString target = call_target ? call_target() : QString();
    return target.isEmpty() ? last_target_ : target;
}

void XmppOwnerSide::iq(const QDomElement& stanza) {
    const QString type = stanza.attribute(QStringLiteral("type"));
    const QString id = stanza.attribute(QStringLiteral("id"));
    if (type == QLatin1String("result") || type == QLatin1String("error")) {
        const auto found = asked_.find(id);
        if (found == asked_.end()) return;
        auto answer = std::move(found->second);
        asked_.erase(found);
        answer(stanza);
        return;
    }
    const QString from = stanza.attribute(QStringLiteral("from"));
    const QDomElement roster = xmpp::child(stanza, QStringLiteral("query"), xmpp::ns_roster);
    if (!roster.isNull() && type == QLatin1String("set") &&
        (from.isEmpty() || from == xmpp::bare(own_jid_))) {
        roster_arrived(roster, false);
        send(xmpp::empty_result(stanza));
    } else if (type == QLatin1String("get") &&
               !xmpp::child(stanza, QStringLiteral("query"), xmpp::ns_disco_info).isNull()) {
        // What the machine is and that it is there: only its people and its server get this
        // far (admits).
        send(xmpp::disco_info_result(stanza, media_calls(), omemo_ != nullptr));
    } else if (type == QLatin1String("get") &&
               !xmpp::child(stanza, QStringLiteral("ping"), xmpp::ns_ping).isNull()) {
        send(xmpp::empty_result(stanza));
    } else if (const QDomElement jingle =
                   xmpp::child(stanza, QStringLiteral("jingle"), "urn:xmpp:jingle:1");
               type == QLatin1String("set") && !jingle.isNull()) {
        jingle_iq(stanza, jingle);
    } else if (type == QLatin1String("get") || type == QLatin1String("set")) {
        send(xmpp::error_reply(stanza, QStringLiteral("cancel"),
                               QStringLiteral("feature-not-implemented")));
    }
}

void XmppOwnerSide::roster_arrived(const QDomElement& query, bool full) {
    if (query.isNull() && full) {
        qCWarning(xmpp_log) << "the server sent no roster: no contacts";
    }
    for (const QString& jid : roster_.update(query, full))
        qCWarning(xmpp_log) << "contact" << jid
                            << "left out: its address cannot be used as a handle";
    auto held = std::move(before_roster_);
    before_roster_.clear();
    for (const QDomElement& stanza : held) message(stanza);
}

void XmppOwnerSide::ask_iq(const QString& to, const QString& type,
                           const std::function<void(QXmlStreamWriter&)>& content,
                           std::function<void(const QDomElement&)> answer) {
    if (!up_) {
        scheduler_.post(lifetime_.guard([answer] { answer(QDomElement()); }));
        return;
    }
    const QString id = xmpp::new_id();
    asked_[id] = std::move(answer);
    send(xmpp::iq(to, type, id, content));
    scheduler_.post_after(iq_timeout_ms, lifetime_.guard([this, id] {
        const auto found = asked_.find(id);
        if (found == asked_.end()) return;
        auto late = std::move(found->second);
        asked_.erase(found);
        late(QDomElement());
    }));
}

// ---- what the machine does

QStringList XmppOwnerSide::contacts() const {
    return roster_.contacts();
}

bool XmppOwnerSide::is_contact(const QString& handle) const {
    return roster_.is_contact(handle);
}

QString XmppOwnerSide::online_status(const QString& handle) const {
    return roster_.online_status(handle);
}

// The program names its people as its user typed them; they are written to as the server spells
// them.
void XmppOwnerSide::send_line(const QString& to, const QString& text) {
    QString body = text;
    body.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace('\r', '\n');
    outbox_.line(roster_.spelled(to), body);
}

void XmppOwnerSide::send_file(const QString& to, const QString& path) {
    upload_and_send(roster_.spelled(to), path, {});
}

void XmppOwnerSide::upload_and_send(const QString& to, const QString& path,
                                    const std::function<void()>& then) {
    outbox_.picture(to, path, then);
}
