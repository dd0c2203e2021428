// Calls as Jingle Message Initiation: the machine's calls ring the contact's phone, the contact's
// proposals ring the machine. There is no media: a call that asks for video gets one live
// picture and ends.
#include "client/client_core.h"
#include "log/categories.h"
#include "platform/xmpp/xmpp_owner_side.h"
#include "platform/xmpp/xmpp_stanzas.h"

void XmppOwnerSide::call_event(const QString& call_id, const QString& partner, bool incoming,
                               CallEvent event) {
    const auto found = calls_.find(call_id);
    switch (event) {
        case CallEvent::placed: {
            if (!roster_.is_contact(partner)) return;  // the client fails the call itself
            const QString sid = xmpp::new_id();
            const QString to = roster_.spelled(partner);
            calls_[call_id] = CallSession{sid, to, false};
            // For apps that cannot ring, the line tells what the proposal is about.
            deliver(xmpp::chat_message(
                to, QStringLiteral("Video Quelm is calling you: answer to see the room.")));
            send_call(to, QStringLiteral("propose"), sid);
            return;
        }
        case CallEvent::answered:
            if (found == calls_.end()) return;
            if (incoming)
                send_call(found->second.peer, QStringLiteral("proceed"), found->second.sid);
            found->second.answered = true;
            return;
        case CallEvent::ended: {
            if (found == calls_.end()) return;  // the contact ended it
            const CallSession session = found->second;
            calls_.erase(found);
            if (session.answered)
                send_call(session.peer, QStringLiteral("finish"), session.sid);
            else
                send_call(session.peer,
                          incoming ? QStringLiteral("reject") : QStringLiteral("retract"),
                          session.sid);
            return;
        }
        case CallEvent::video_on:
            send_live_picture(call_id, partner);
            return;
    }
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
            deliver(xmpp::chat_message(to, QStringLiteral("The live picture could not be taken.")));
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
    CallSession* session = session_by_sid(sid, &call_id);
    if (!session) return true;
    if (action == QLatin1String("ringing")) {
        client_.ringing(bare);
    } else if (action == QLatin1String("proceed") && !session->answered) {
        session->peer = from;
        session->answered = true;
        // A quick phone may answer before the call has rung here.
        client_.ringing(bare);
        client_.answer(bare);
    } else if (action == QLatin1String("reject")) {
        calls_.erase(call_id);
        if (!client_.refuse(bare)) client_.hang_up(bare);
    } else if (action == QLatin1String("retract") || action == QLatin1String("finish")) {
        calls_.erase(call_id);
        client_.hang_up(bare);
    }
    return true;
}

void XmppOwnerSide::proposed(const QString& from, const QString& sid) {
    const QString call_id = client_.call_machine(handle_for(from));
    if (call_id.isEmpty()) {
        send_call(from, QStringLiteral("reject"), sid);
        return;
    }
    calls_[call_id] = CallSession{sid, from, false};
    send_call(from, QStringLiteral("ringing"), sid);
}

XmppOwnerSide::CallSession* XmppOwnerSide::session_by_sid(const QString& sid, QString* call_id) {
    for (auto& [id, session] : calls_)
        if (session.sid == sid) {
            if (call_id) *call_id = id;
            return &session;
        }
    return nullptr;
}
