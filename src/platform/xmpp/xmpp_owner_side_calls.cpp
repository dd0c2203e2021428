// Calls: Jingle Message Initiation rings (the machine's calls ring the contact's phone, the
// contact's proposals ring the machine), and with media a Jingle session per call carries live
// video and audio (jingle/jingle_session.h). Without media, a call that asks for video gets one
// live picture and ends.
#include <QXmlStreamWriter>

#include "client/client_core.h"
#include "jingle/jingle_session.h"
#include "log/categories.h"
#include "platform/xmpp/xmpp_owner_side.h"
#include "platform/xmpp/xmpp_stanzas.h"
#include "time/scheduler.h"

namespace {

QString jingle_reply(const QDomElement& request, const JingleSession::Reply& reply) {
    if (reply.ok()) return xmpp::empty_result(request);
    return xmpp::iq(request.attribute(QStringLiteral("from")), QStringLiteral("error"),
                    request.attribute(QStringLiteral("id")), [&](QXmlStreamWriter& w) {
                        w.writeStartElement(QStringLiteral("error"));
                        w.writeAttribute(QStringLiteral("type"), reply.type);
                        w.writeStartElement(reply.condition);
                        w.writeDefaultNamespace(QLatin1String(xmpp::ns_stanzas));
                        w.writeEndElement();
                        if (!reply.jingle_error.isEmpty()) {
                            w.writeStartElement(reply.jingle_error);
                            w.writeDefaultNamespace(QStringLiteral("urn:xmpp:jingle:errors:1"));
                            w.writeEndElement();
                        }
                        w.writeEndElement();
                    });
}

}  // namespace

void XmppOwnerSide::call_event(const QString& call_id, const QString& partner, bool incoming,
                               CallEvent event) {
    const auto found = calls_.find(call_id);
    switch (event) {
        case CallEvent::placed: {
            if (!roster_.is_contact(partner)) return;  // the client fails the call itself
            const QString sid = xmpp::new_id();
            const QString to = roster_.spelled(partner);
            calls_[call_id] = Call{sid, to, false, true, nullptr};
            // For apps that cannot ring, the line tells what the proposal is about.
            outbox_.notice(to,
                           QStringLiteral("Video Quelm is calling you: answer to see the room."));
            send_call(to, QStringLiteral("propose"), sid);
            return;
        }
        case CallEvent::answered:
            if (found == calls_.end()) return;
            found->second.answered = true;
            if (!incoming) return;  // the phone's proceed answered it; its session is under way
            if (found->second.proposed)
                send_call(found->second.peer, QStringLiteral("proceed"), found->second.sid);
            if (found->second.jingle) found->second.jingle->answer();
            return;
        case CallEvent::ended: {
            if (found == calls_.end()) return;  // the contact ended it
            Call call = std::move(found->second);
            calls_.erase(found);
            end_call(call, incoming);
            return;
        }
        case CallEvent::video_on:
            if (!media_calls()) {
                send_live_picture(call_id, partner);
            } else if (found != calls_.end() && found->second.jingle) {
                found->second.jingle->start_video();
            }
            return;
    }
}

// The machine ended the call: the Jingle session ends with the reason that fits, and the
// proposal with it.
void XmppOwnerSide::end_call(Call& call, bool incoming) {
    if (call.jingle) {
        if (call.answered)
            call.jingle->hang_up();
        else
            call.jingle->end(incoming ? QStringLiteral("decline") : QStringLiteral("cancel"));
    }
    if (!call.proposed) return;
    if (call.answered)
        send_call(call.peer, QStringLiteral("finish"), call.sid);
    else
        send_call(call.peer, incoming ? QStringLiteral("reject") : QStringLiteral("retract"),
                  call.sid);
}

void XmppOwnerSide::send_call(const QString& to, const QString& action, const QString& sid) {
    outbox_.call(to, action, sid);
}

// The picture goes first; the call ends when it is on its way.
void XmppOwnerSide::send_live_picture(const QString& call_id, const QString& partner) {
    auto hang_up = lifetime_.guard([this, call_id, partner] {
        if (calls_.count(call_id)) client_.hang_up(partner);
    });
    if (!take_live_picture) {
        hang_up();
        return;
    }
    take_live_picture(lifetime_.guard([this, partner, hang_up](const QString& path) mutable {
        const QString to = roster_.spelled(partner);
        if (path.isEmpty()) {
            outbox_.notice(to, QStringLiteral("The live picture could not be taken."));
            hang_up();
            return;
        }
        upload_and_send(to, path, hang_up);
    }));
}

bool XmppOwnerSide::call_stanza(const QString& from, const QDomElement& stanza) {
    const QDomElement element = xmpp::child(stanza, {}, xmpp::ns_jmi);
    if (element.isNull()) return false;
    // The client core knows the caller by the name the program gave them.
    const QString bare = handle_for(from);
    if (!from_contact(from, QStringLiteral("call"))) return true;
    const QString action = element.localName();
    const QString sid = element.attribute(QStringLiteral("id"));
    if (action == QLatin1String("propose")) {
        // A ring from while we were away is over by now.
        if (!xmpp::delay_stamp(stanza).isValid()) proposed(from, sid);
        return true;
    }
    QString call_id;
    Call* call = session_by_sid(sid, &call_id);
    if (!call || !xmpp::same_account(call->peer, from)) return true;
    if (action == QLatin1String("ringing")) {
        client_.ringing(bare);
    } else if (action == QLatin1String("proceed") && !call->answered) {
        proceeded(call_id, from);
    } else if (action == QLatin1String("reject")) {
        calls_.erase(call_id);
        if (!client_.refuse(bare)) client_.hang_up(bare);
    } else if (action == QLatin1String("retract") || action == QLatin1String("finish")) {
        calls_.erase(call_id);
        client_.hang_up(bare);
    }
    return true;
}

// The phone took the machine's call: the call is answered, and with media the machine opens the
// Jingle session as its initiator.
void XmppOwnerSide::proceeded(const QString& call_id, const QString& from) {
    Call& call = calls_[call_id];
    call.peer = from;
    call.answered = true;
    const QString sid = call.sid;
    if (media_calls()) call.jingle = make_session(sid, from, jingle::Role::initiator);
    const QString bare = handle_for(from);
    // A quick phone may answer before the call has rung here.
    client_.ringing(bare);
    client_.answer(bare);
    if (Call* still = session_by_sid(sid); still && still->jingle) still->jingle->start();
}

void XmppOwnerSide::proposed(const QString& from, const QString& sid) {
    if (session_by_sid(sid)) return;  // the same proposal again
    // One call at a time: the camera shows one room to one caller.
    if (!calls_.empty()) {
        qCInfo(xmpp_log) << "declining a call from" << xmpp::bare(from) << ": a call is running";
        send_call(from, QStringLiteral("reject"), sid);
        return;
    }
    const QString call_id = client_.call_machine(handle_for(from));
    if (call_id.isEmpty()) {
        send_call(from, QStringLiteral("reject"), sid);
        return;
    }
    calls_[call_id] =
        Call{sid, from, false, true,
             media_calls() ? make_session(sid, from, jingle::Role::responder) : nullptr};
    send_call(from, QStringLiteral("ringing"), sid);
}

XmppOwnerSide::Call* XmppOwnerSide::session_by_sid(const QString& sid, QString* call_id) {
    for (auto& [id, call] : calls_)
        if (call.sid == sid) {
            if (call_id) *call_id = id;
            return &call;
        }
    return nullptr;
}

// ---- Jingle sessions

void XmppOwnerSide::jingle_iq(const QDomElement& stanza, const QDomElement& jingle) {
    const QString from = stanza.attribute(QStringLiteral("from"));
    if (!media_calls()) {
        send(xmpp::error_reply(stanza, QStringLiteral("cancel"),
                               QStringLiteral("feature-not-implemented")));
        return;
    }
    if (!from_contact(from, QStringLiteral("call"))) {
        send(xmpp::error_reply(stanza, QStringLiteral("cancel"),
                               QStringLiteral("service-unavailable")));
        return;
    }
    Call* call = session_by_sid(jingle.attribute(QStringLiteral("sid")));
    // Only the contact of the call speaks in its session.
    if (call && (!call->jingle || !xmpp::same_account(call->peer, from))) call = nullptr;
    if (!call && jingle.attribute(QStringLiteral("action")) == QLatin1String("session-initiate")) {
        direct_session(stanza, jingle);
        return;
    }
    send(jingle_reply(stanza, call ? call->jingle->receive(jingle)
                                   : JingleSession::Reply{QStringLiteral("item-not-found"),
                                                          QStringLiteral("unknown-session")}));
}

// A session-initiate without a proposal first (older desktop apps) rings the machine the same.
void XmppOwnerSide::direct_session(const QDomElement& stanza, const QDomElement& jingle) {
    const QString from = stanza.attribute(QStringLiteral("from"));
    const QString sid = jingle.attribute(QStringLiteral("sid"));
    auto session = make_session(sid, from, jingle::Role::responder);
    const JingleSession::Reply reply = session->receive(jingle);
    send(jingle_reply(stanza, reply));
    if (!reply.ok()) return;
    if (!calls_.empty()) {
        qCInfo(xmpp_log) << "declining a call from" << xmpp::bare(from) << ": a call is running";
        session->end(QStringLiteral("busy"));
        return;
    }
    const QString call_id = client_.call_machine(handle_for(from));
    if (call_id.isEmpty()) {
        session->end(QStringLiteral("decline"));
        return;
    }
    calls_[call_id] = Call{sid, from, false, false, std::move(session)};
}

std::unique_ptr<JingleSession> XmppOwnerSide::make_session(const QString& sid, const QString& peer,
                                                           jingle::Role role) {
    auto session = std::make_unique<JingleSession>(
        scheduler_,
        JingleSession::Options{sid, own_jid_, peer, role, options_.media,
                               jingle::with_overrides(ice_servers_, options_.ice),
                               [this](auto done) { fetch_ice_servers(std::move(done)); }});
    session->send = [this](const QString& to, const JingleSession::Writer& content,
                           std::function<void(bool)> answered) {
        ask_iq(to, QStringLiteral("set"), content, [answered](const QDomElement& reply) {
            answered(reply.attribute(QStringLiteral("type")) == QLatin1String("result"));
        });
    };
    session->on_ended = [this, sid](const QString&, const QString& why) {
        session_ended(sid, why);
    };
    return session;
}

// The peer ended the session, or it failed: the call ends, and a failure is told to the owner.
void XmppOwnerSide::session_ended(const QString& sid, const QString& why) {
    QString call_id;
    Call* found = session_by_sid(sid, &call_id);
    if (!found) return;
    Call call = std::move(*found);
    calls_.erase(call_id);
    const bool connected = call.jingle->connected();
    retire(std::move(call.jingle));
    if (!why.isEmpty())
        outbox_.line(xmpp::bare(call.peer),
                     (connected ? QStringLiteral("The call was cut: %1.")
                                : QStringLiteral("The call could not connect: %1."))
                         .arg(why));
    if (call.proposed && call.answered) send_call(call.peer, QStringLiteral("finish"), call.sid);
    client_.hang_up(handle_for(call.peer));
}

// A session that reported its own end is still running that report: it goes a moment later.
void XmppOwnerSide::retire(std::unique_ptr<JingleSession> session) {
    retired_.push_back(std::move(session));
    scheduler_.post(lifetime_.guard([this] { retired_.clear(); }));
}

// The STUN and TURN servers of the account's server, as the apps learn theirs (XEP-0215), asked
// for each call: TURN credentials are made to expire. The account file's own servers need no
// asking; when the server does not answer, the ones it named last time are used.
void XmppOwnerSide::fetch_ice_servers(std::function<void(std::vector<CallMedia::IceServer>)> done) {
    const bool own_stun = !options_.ice.stun.trimmed().isEmpty();
    const bool own_turn = !options_.ice.turn.trimmed().isEmpty();
    if (own_stun && own_turn) {
        done(jingle::with_overrides({}, options_.ice));
        return;
    }
    const auto request = [](QXmlStreamWriter& w) {
        w.writeStartElement(QStringLiteral("services"));
        w.writeDefaultNamespace(QLatin1String(jingle::ns_extdisco));
        w.writeEndElement();
    };
    ask_iq(options_.domain, QStringLiteral("get"), request,
           lifetime_.guard([this, done = std::move(done)](const QDomElement& reply) {
               const QDomElement services =
                   xmpp::child(reply, QStringLiteral("services"), jingle::ns_extdisco);
               if (!services.isNull()) {
                   ice_servers_ = jingle::ice_servers_from(services);
                   qCInfo(xmpp_log)
                       << "the server names" << ice_servers_.size() << "STUN/TURN servers";
               }
               done(jingle::with_overrides(ice_servers_, options_.ice));
           }));
}
