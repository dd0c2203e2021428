#include "platform/xmpp/xmpp_owner_side.h"

#include <QXmlStreamWriter>

#include "client/client_core.h"
#include "jingle/jingle_session.h"
#include "log/categories.h"
#include "platform/xmpp/xmpp_stanzas.h"

namespace {
constexpr int iq_timeout_ms = 30'000;
// Delayed messages come in a burst when the stream starts: one report for all the stale ones.
constexpr int stale_report_after_ms = 1'000;

QString one_line(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace('\n', ' ').replace('\r', ' ');
    return text.trimmed();
}
}  // namespace

XmppOwnerSide::XmppOwnerSide(ClientCore& client, Options options)
    : client_(client),
      options_(std::move(options)),
      upload_(
          [this](const QString& to, const QString& type,
                 const std::function<void(QXmlStreamWriter&)>& content,
                 std::function<void(const QDomElement&)> answer) {
              ask_iq(to, type, content, std::move(answer));
          },
          options_.domain, options_.ca_file) {
    stale_timer_.setSingleShot(true);
    stale_timer_.setInterval(stale_report_after_ms);
    QObject::connect(&stale_timer_, &QTimer::timeout, [this] { report_stale(); });
    client_.set_far_side(this);
}

XmppOwnerSide::~XmppOwnerSide() {
    *alive_ = false;
    client_.set_far_side(nullptr);
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
    send(xmpp::available_presence(media_calls()));
    if (media_calls()) discover_ice_servers();
    if (dropped_ > 0)
        qCWarning(xmpp_log) << dropped_ << "messages were dropped while offline (queue full)";
    dropped_ = 0;
    while (!offline_queue_.empty() && up_) {
        send(offline_queue_.front());
        offline_queue_.pop_front();
    }
}

void XmppOwnerSide::stream_down() {
    up_ = false;
    roster_.forget();
    auto asked = std::move(asked_);
    asked_.clear();
    for (auto& [id, answer] : asked) answer(QDomElement());
}

void XmppOwnerSide::deliver(const QString& stanza) {
    *reserve() = stanza;
    flush_outbox();
}

XmppOwnerSide::Slot XmppOwnerSide::reserve() {
    outbox_.push_back(std::make_shared<std::optional<QString>>());
    return outbox_.back();
}

void XmppOwnerSide::flush_outbox() {
    while (!outbox_.empty() && outbox_.front()->has_value()) {
        const QString stanza = **outbox_.front();
        outbox_.pop_front();
        transmit(stanza);
    }
}

void XmppOwnerSide::transmit(const QString& stanza) {
    if (up_) {
        send(stanza);
        return;
    }
    if (offline_queue_.size() >= offline_queue_limit) {
        offline_queue_.pop_front();
        ++dropped_;
    }
    offline_queue_.push_back(stanza);
}

void XmppOwnerSide::receive(const QDomElement& stanza) {
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
    if (type == QLatin1String("error") || type == QLatin1String("groupchat") ||
        type == QLatin1String("headline"))
        return;
    // Copies of our own conversations: never asked for, never obeyed.
    if (!xmpp::child(stanza, {}, xmpp::ns_carbons).isNull()) return;
    const QString from = stanza.attribute(QStringLiteral("from"));
    if (from.isEmpty() || xmpp::bare(from) == xmpp::bare(own_jid_)) return;
    if (!roster_.known()) {
        before_roster_.push_back(stanza);
        return;
    }
    if (call_stanza(from, stanza)) return;
    if (type == QLatin1String("chat")) chat(from, stanza);
}

void XmppOwnerSide::chat(const QString& from, const QDomElement& stanza) {
    const QString body = one_line(stanza.firstChildElement(QStringLiteral("body")).text());
    if (body.isEmpty() || !from_contact(from, QStringLiteral("message"))) return;
    const QDateTime sent = xmpp::delay_stamp(stanza);
    if (sent.isValid() && sent.secsTo(now()) > options_.stale_minutes * 60) {
        qCInfo(xmpp_log) << "not obeying a delayed message from" << sent.toString(Qt::ISODate);
        stale_.append(
            QStringLiteral("\"%1\" (%2)")
                .arg(body, sent.toUTC().toString(QStringLiteral("yyyy-MM-dd hh:mm 'UTC'"))));
        stale_from_ = xmpp::bare(from);
        stale_timer_.start();
        return;
    }
    client_.say(body, xmpp::bare(from));
}

void XmppOwnerSide::report_stale() {
    if (stale_.isEmpty()) return;
    deliver(xmpp::chat_message(
        stale_from_, QStringLiteral("Not obeyed: sent while I was offline, more than %1 minutes "
                                    "ago: %2. Send again if you still mean it.")
                         .arg(options_.stale_minutes)
                         .arg(stale_.join(QLatin1String(", ")))));
    stale_.clear();
}

bool XmppOwnerSide::from_contact(const QString& from, const QString& what) {
    const QString bare = xmpp::bare(from);
    if (roster_.is_contact(bare)) return true;
    if (strangers_logged_.insert(bare).second)
        qCWarning(xmpp_log) << "ignoring" << what << "from" << bare
                            << "(not a contact with a mutual subscription)";
    return false;
}

void XmppOwnerSide::presence(const QDomElement& stanza) {
    const QString from = stanza.attribute(QStringLiteral("from"));
    if (xmpp::bare(from) == xmpp::bare(own_jid_)) return;
    if (stanza.attribute(QStringLiteral("type")) == QLatin1String("subscribe"))
        subscription_request(xmpp::bare(from));
    else
        roster_.presence(stanza);
}

// Only the owner the program calls may subscribe; everybody else waits unanswered.
void XmppOwnerSide::subscription_request(const QString& from) {
    if (!from.isEmpty() && from == current_target()) {
        pending_subscriptions_.erase(from);
        send(xmpp::presence(from, QStringLiteral("subscribed")));
        const QString ours = roster_.subscription(from);
        if (ours != QLatin1String("to") && ours != QLatin1String("both"))
            send(xmpp::presence(from, QStringLiteral("subscribe")));
        return;
    }
    if (pending_subscriptions_.insert(from).second)
        qCWarning(xmpp_log) << "leaving the subscription request of" << from
                            << "pending: not the call target";
}

void XmppOwnerSide::target_named(const QString& handle) {
    last_target_ = handle;
    if (up_ && pending_subscriptions_.count(handle)) subscription_request(handle);
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
        send(xmpp::disco_info_result(stanza, media_calls()));
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
        QTimer::singleShot(0, &stale_timer_, [answer] { answer(QDomElement()); });
        return;
    }
    const QString id = xmpp::new_id();
    asked_[id] = std::move(answer);
    send(xmpp::iq(to, type, id, content));
    QTimer::singleShot(iq_timeout_ms, &stale_timer_, [this, id] {
        const auto found = asked_.find(id);
        if (found == asked_.end()) return;
        auto late = std::move(found->second);
        asked_.erase(found);
        late(QDomElement());
    });
}

// ---- what the machine does

QStringList XmppOwnerSide::contacts() const {
    return roster_.contacts();
}

QString XmppOwnerSide::online_status(const QString& handle) const {
    return roster_.online_status(handle);
}

void XmppOwnerSide::send_line(const QString& to, const QString& text) {
    QString body = text;
    body.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace('\r', '\n');
    deliver(xmpp::chat_message(to, body));
}

void XmppOwnerSide::send_file(const QString& to, const QString& path) {
    upload_and_send(to, path, {});
}

void XmppOwnerSide::upload_and_send(const QString& to, const QString& path,
                                    const std::function<void()>& then) {
    const std::weak_ptr<bool> alive = alive_;
    const Slot slot = reserve();
    upload_.upload(path, [this, alive, slot, to, then](const QString& url, const QString& problem) {
        if (alive.expired()) return;
        *slot = url.isEmpty()
                    ? xmpp::chat_message(
                          to, QStringLiteral("The picture could not be sent: %1.").arg(problem))
                    : xmpp::picture_message(to, url);
        flush_outbox();
        if (then) then();
    });
}
