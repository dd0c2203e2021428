// Calls: placed by the machine or rung by a contact, answered, refused, ended, with video.
#include "client/client_core.h"
#include "client/protocol_errors.h"
#include "time/scheduler.h"

using namespace simclient;

namespace {
constexpr int routing_after_ms = 100;
constexpr int ringing_after_ms = 1000;

bool is_live(ClientCore::CallStatus status) {
    return status <= ClientCore::CallStatus::inprogress;
}

// The handle's live call among the calls, if any (there is at most one per contact); as const
// as the calls it is given.
template <typename Calls>
auto live_call_in(Calls& calls, const QString& handle) -> decltype(&calls.begin()->second) {
    for (auto& [id, call] : calls)
        if (call.partner == handle && is_live(call.status)) return &call;
    return nullptr;
}
}  // namespace

QString ClientCore::status_name(CallStatus status) {
    switch (status) {
        case CallStatus::unplaced:
            return QStringLiteral("UNPLACED");
        case CallStatus::routing:
            return QStringLiteral("ROUTING");
        case CallStatus::ringing:
            return QStringLiteral("RINGING");
        case CallStatus::inprogress:
            return QStringLiteral("INPROGRESS");
        case CallStatus::finished:
            return QStringLiteral("FINISHED");
        case CallStatus::cancelled:
            return QStringLiteral("CANCELLED");
        case CallStatus::refused:
            return QStringLiteral("REFUSED");
        case CallStatus::failed:
            return QStringLiteral("FAILED");
    }
    return {};
}

ClientCore::Call* ClientCore::find_call(const QString& id) {
    const auto found = calls_.find(id);
    return found == calls_.end() ? nullptr : &found->second;
}

// The contact's live call, if any (there is at most one per contact).
ClientCore::Call* ClientCore::contacts_call(const QString& who) {
    return live_call_in(calls_, who_or_owner(who));
}

const ClientCore::Call* ClientCore::current_call(const QString& who) const {
    return live_call_in(calls_, who_or_owner(who));
}

void ClientCore::set_status(Call& call, CallStatus status) {
    call.status = status;
    if (status == CallStatus::inprogress) call.answered_ms = scheduler_.now_ms();
    emit_line(QStringLiteral("CALL %1 STATUS %2").arg(call.id, status_name(status)));
    tell(call.partner, QStringLiteral("call %1 %2").arg(call.id, status_name(status)));
    if (status == CallStatus::inprogress)
        far_call_event(call, FarSide::CallEvent::answered);
    else if (!is_live(status))
        far_call_event(call, FarSide::CallEvent::ended);
}

void ClientCore::far_call_event(const Call& call, FarSide::CallEvent event) {
    if (far_side_) far_side_->call_event(call.id, call.partner, call.incoming, event);
}

void ClientCore::end_call(Call& call, CallStatus status) {
    if (call.video_send) set_video(call, false);
    set_status(call, status);
}

// "CALL <handle>": the machine rings a contact. It routes, then rings there until the contact
// answers or refuses or the machine gives up; a handle it does not know or a contact who is
// offline makes the call fail.
QString ClientCore::place_call(const QString& target) {
    if (target.isEmpty()) return invalid_call_target;
    if (!logged_in_) return not_online;
    const QString id = next_id();
    Call& call = calls_[id];
    call.id = id;
    call.partner = target;
    if (far_side_) far_side_->target_named(target);
    far_call_event(call, FarSide::CallEvent::placed);
    later(routing_after_ms, [this, id] {
        Call* c = find_call(id);
        if (c && c->status == CallStatus::unplaced) set_status(*c, CallStatus::routing);
    });
    later(ringing_after_ms, [this, id] {
        Call* c = find_call(id);
        if (!c || c->status != CallStatus::routing) return;
        // A real contact's phone may be asleep and still ring: the far side says when it does.
        if (far_side_ && is_contact(c->partner) && !is_online(c->partner)) return;
        if (!is_contact(c->partner) || !is_online(c->partner)) {
            c->failure_reason = is_contact(c->partner) ? 3 : 2;
            emit_line(QStringLiteral("CALL %1 FAILUREREASON %2").arg(id).arg(c->failure_reason));
            set_status(*c, CallStatus::failed);
            return;
        }
        set_status(*c, CallStatus::ringing);
    });
    return QStringLiteral("CALL %1 STATUS UNPLACED").arg(id);
}

QString ClientCore::get_call(const QStringList& words) {
    const Call* call = find_call(words.value(2));
    if (!call) return invalid_call_id;
    const QString property = words.value(3).toUpper();
    QString value;
    if (property == QLatin1String("STATUS")) {
        value = status_name(call->status);
    } else if (property == QLatin1String("PARTNER_HANDLE") ||
               property == QLatin1String("PARTNER_DISPNAME")) {
        value = call->partner;
    } else if (property == QLatin1String("TYPE")) {
        value = call->incoming ? QStringLiteral("INCOMING_P2P") : QStringLiteral("OUTGOING_P2P");
    } else if (property == QLatin1String("FAILUREREASON")) {
        value = QString::number(call->failure_reason);
    } else if (property == QLatin1String("DURATION")) {
        const bool talking = call->status == CallStatus::inprogress && call->answered_ms >= 0;
        value = QString::number(talking ? (scheduler_.now_ms() - call->answered_ms) / 1000 : 0);
    } else if (property == QLatin1String("VIDEO_STATUS")) {
        value =
            call->video_send ? QStringLiteral("VIDEO_SEND_ENABLED") : QStringLiteral("VIDEO_NONE");
    } else if (property == QLatin1String("VIDEO_SEND_STATUS")) {
        value = call->video_send ? QStringLiteral("RUNNING") : QStringLiteral("STOPPED");
    } else if (property == QLatin1String("CONF_ID")) {
        value = QStringLiteral("0");
    } else {
        return invalid_property;
    }
    return QStringLiteral("CALL %1 %2 %3").arg(call->id, property, value);
}

// "SET CALL <id> STATUS INPROGRESS" answers a call that rings here; "... FINISHED" ends a call:
// one in progress finishes, one the machine placed is cancelled, one rung here is refused.
QString ClientCore::set(const QStringList& words) {
    if (words.value(1).toUpper() != QLatin1String("CALL") || words.size() != 5 ||
        words[3].toUpper() != QLatin1String("STATUS"))
        return unknown_command;
    Call* call = find_call(words[2]);
    if (!call) return invalid_call_id;
    const QString wanted = words[4].toUpper();
    const QString echo = QStringLiteral("CALL %1 STATUS %2").arg(call->id, wanted);
    if (wanted == QLatin1String("INPROGRESS")) {
        if (!call->incoming || call->status != CallStatus::ringing) return invalid_call_status;
        set_status(*call, CallStatus::inprogress);
        return echo;
    }
    if (wanted == QLatin1String("FINISHED")) {
        if (!is_live(call->status)) return invalid_call_status;
        if (call->status == CallStatus::inprogress)
            end_call(*call, CallStatus::finished);
        else
            end_call(*call, call->incoming ? CallStatus::refused : CallStatus::cancelled);
        return echo;
    }
    return invalid_call_status;
}

QString ClientCore::alter_call(const QStringList& words) {
    if (words.value(1).toUpper() != QLatin1String("CALL") || words.size() != 4)
        return unknown_command;
    Call* call = find_call(words[2]);
    if (!call) return invalid_call_id;
    const QString action = words[3].toUpper();
    const QString echo = QStringLiteral("ALTER CALL %1 %2").arg(call->id, action);
    if (action == QLatin1String("ANSWER"))
        return set({"SET", "CALL", call->id, "STATUS", "INPROGRESS"}).startsWith("ERROR")
                   ? invalid_call_status
                   : echo;
    if (action == QLatin1String("HANGUP"))
        return set({"SET", "CALL", call->id, "STATUS", "FINISHED"}).startsWith("ERROR")
                   ? invalid_call_status
                   : echo;
    const bool start = action == QLatin1String("START_VIDEO_SEND");
    if (!start && action != QLatin1String("STOP_VIDEO_SEND")) return invalid_alter;
    if (call->status != CallStatus::inprogress) return invalid_call_status;
    if (call->video_send != start) set_video(*call, start);
    return echo;
}

void ClientCore::set_video(Call& call, bool on) {
    call.video_send = on;
    views_[call.partner].video = on;
    if (on) {
        emit_line(QStringLiteral("CALL %1 VIDEO_SEND_STATUS STARTING").arg(call.id));
        emit_line(QStringLiteral("CALL %1 VIDEO_SEND_STATUS RUNNING").arg(call.id));
        emit_line(QStringLiteral("CALL %1 VIDEO_STATUS VIDEO_SEND_ENABLED").arg(call.id));
    } else {
        emit_line(QStringLiteral("CALL %1 VIDEO_SEND_STATUS STOPPED").arg(call.id));
        emit_line(QStringLiteral("CALL %1 VIDEO_STATUS VIDEO_NONE").arg(call.id));
    }
    tell(call.partner, on ? QStringLiteral("video on") : QStringLiteral("video off"));
    if (on) far_call_event(call, FarSide::CallEvent::video_on);
}

// ---- the contacts' side

QString ClientCore::call_machine(const QString& from) {
    const QString caller = who_or_owner(from);
    if (!logged_in_ || !is_contact(caller)) {
        tell(caller, QStringLiteral("call failed: %1 is not online").arg(options_.own_handle));
        return {};
    }
    if (contacts_call(caller)) return {};
    const QString id = next_id();
    Call& call = calls_[id];
    call.id = id;
    call.partner = caller;
    call.incoming = true;
    emit_line(QStringLiteral("CALL %1 CONF_ID 0").arg(id));
    set_status(call, CallStatus::ringing);
    return id;
}

bool ClientCore::answer(const QString& who) {
    Call* call = contacts_call(who);
    if (!call || call->incoming || call->status != CallStatus::ringing) return false;
    set_status(*call, CallStatus::inprogress);
    return true;
}

bool ClientCore::ringing(const QString& who) {
    Call* call = contacts_call(who);
    if (!call || call->incoming || call->status > CallStatus::routing) return false;
    set_status(*call, CallStatus::ringing);
    return true;
}

bool ClientCore::refuse(const QString& who) {
    Call* call = contacts_call(who);
    if (!call || call->incoming || call->status != CallStatus::ringing) return false;
    end_call(*call, CallStatus::refused);
    return true;
}

bool ClientCore::hang_up(const QString& who) {
    Call* call = contacts_call(who);
    if (!call) return false;
    if (call->status == CallStatus::inprogress)
        end_call(*call, CallStatus::finished);
    else
        end_call(*call, call->incoming ? CallStatus::cancelled : CallStatus::refused);
    return true;
}

QImage ClientCore::video_frame(const QString& who) const {
    if (!seen_by(who).video || !video_source) return {};
    return video_source();
}
