#include "jingle/jingle_session.h"

#include "jingle/jingle_xml.h"
#include "jingle/sdp.h"
#include "log/categories.h"
#include "time/scheduler.h"

#include <utility>

using namespace jingle;

namespace {

QString reason_for(Problem problem) {
    switch (problem) {
        case Problem::no_fingerprint:
            return QStringLiteral("security-error");
        case Problem::unsupported_application:
            return QStringLiteral("unsupported-applications");
        case Problem::unsupported_transport:
            return QStringLiteral("unsupported-transports");
        case Problem::no_common_codec:
            return QStringLiteral("incompatible-parameters");
        case Problem::malformed:
        case Problem::none:
            break;
    }
    return QStringLiteral("general-error");
}

JingleSession::Reply out_of_order() {
    return {QStringLiteral("unexpected-request"), QStringLiteral("out-of-order")};
}

JingleSession::Reply bad_request() {
    return {QStringLiteral("bad-request"), {}, QStringLiteral("modify")};
}

// The candidates travel apart from the description, so that the media gets every one of them
// the same way, whether it came in the session's first stanza or trickled later.
SessionDescription without_candidates(SessionDescription session,
                                      std::vector<std::pair<QString, Candidate>>* taken) {
    for (Content& c : session.contents) {
        for (const Candidate& candidate : c.transport.candidates)
            taken->emplace_back(c.name, candidate);
        c.transport.candidates.clear();
    }
    return session;
}

QString reason_of(const QDomElement& jingle) {
    const QDomElement reason = jingle.firstChildElement(QStringLiteral("reason"));
    for (QDomElement e = reason.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        if (e.localName() != QLatin1String("text")) return e.localName();
    return QStringLiteral("success");
}

}  // namespace

JingleSession::JingleSession(Scheduler& scheduler, Options options)
    : scheduler_(scheduler), options_(std::move(options)) {
    config_.ice_servers = options_.ice_servers;
    ask_for_ice_servers();
}

// Asked as the call begins, so that the answer is usually in by the time the media starts.
void JingleSession::ask_for_ice_servers() {
    if (!options_.fetch_ice_servers) return;
    ice_servers_pending_ = true;
    const std::weak_ptr<bool> alive = alive_;
    options_.fetch_ice_servers([this, alive](std::vector<CallMedia::IceServer> servers) {
        if (alive.expired() || !ice_servers_pending_) return;
        ice_servers_pending_ = false;
        config_.ice_servers = std::move(servers);
        if (auto then = std::exchange(waiting_for_ice_servers_, nullptr)) then();
    });
}

void JingleSession::when_ice_servers_known(std::function<void()> then) {
    if (!ice_servers_pending_) {
        then();
        return;
    }
    waiting_for_ice_servers_ = std::move(then);
    const std::weak_ptr<bool> alive = alive_;
    scheduler_.post_after(ice_patience_ms, [this, alive] {
        if (alive.expired() || !ice_servers_pending_) return;
        qCWarning(jingle_log) << "call" << options_.sid
                              << "goes on with the STUN/TURN servers known before: the server "
                                 "did not name them in time";
        ice_servers_pending_ = false;
        if (auto then = std::exchange(waiting_for_ice_servers_, nullptr)) then();
    });
}

JingleSession::~JingleSession() {
    *alive_ = false;
    if (media_) media_->stop();
}

void JingleSession::later(std::function<void()> action) {
    const std::weak_ptr<bool> alive = alive_;
    scheduler_.post([alive, action = std::move(action)] {
        if (!alive.expired()) action();
    });
}

// ---- the call

void JingleSession::start() {
    if (state_ != State::idle || options_.role != Role::initiator) return;
    state_ = State::offering;
    when_ice_servers_known([this] {
        if (state_ == State::offering && create_media(true, true)) media_->create_offer();
    });
}

void JingleSession::answer() {
    if (answered_ || state_ == State::ended) return;
    answered_ = true;
    // An offer being refused is not answered (it has no description to answer).
    if (state_ == State::offered && remote_offer_) accept_offer();
}

void JingleSession::start_video() {
    video_wanted_ = true;
    if (media_ && state_ != State::ended) media_->start_sending_video();
}

void JingleSession::end(const QString& reason) {
    if (state_ == State::ended) return;
    const bool peer_knows = state_ == State::offered || state_ == State::accepting ||
                            state_ == State::active || (state_ == State::offering && local_);
    state_ = State::ended;
    if (peer_knows)
        send_jingle(QStringLiteral("session-terminate"), [&reason](QXmlStreamWriter& w) {
            w.writeStartElement(QStringLiteral("reason"));
            w.writeEmptyElement(reason);
            w.writeEndElement();
        });
    if (media_) media_->stop();
}

void JingleSession::fail(const QString& reason, const QString& why) {
    if (state_ == State::ended) return;
    qCWarning(jingle_log).noquote()
        << "call" << options_.sid << "with" << options_.peer << "ends:" << why;
    end(reason);
    if (on_ended) on_ended(reason, why);
}

void JingleSession::finish(const QString& reason, const QString& why) {
    if (state_ == State::ended) return;
    state_ = State::ended;
    if (media_) media_->stop();
    if (on_ended) on_ended(reason, why);
}

void JingleSession::refuse(Problem problem, const QString& detail) {
    fail(reason_for(problem), QStringLiteral("the phone's session was refused: ") + detail);
}

// ---- the media

bool JingleSession::create_media(bool audio, bool video) {
    config_.audio = audio;
    config_.video = video;
    media_ = options_.media ? options_.media(config_) : nullptr;
    if (!media_) {
        fail(QStringLiteral("general-error"), QStringLiteral("the call's media could not start"));
        return false;
    }
    const std::weak_ptr<bool> alive = alive_;
    media_->on_local_description = [this, alive](const QString& sdp) {
        if (!alive.expired()) local_description(sdp);
    };
    media_->on_local_candidate = [this, alive](int mline, const QString& mid, const QString& c) {
        if (!alive.expired()) local_candidate(mline, mid, c);
    };
    media_->on_connected = [this, alive] {
        if (alive.expired() || connected_ || state_ == State::ended) return;
        connected_ = true;
        qCInfo(jingle_log) << "call" << options_.sid << "with" << options_.peer << "connected";
        if (on_connected) on_connected();
    };
    media_->on_failed = [this, alive](const QString& why) {
        if (!alive.expired()) fail(QStringLiteral("failed-transport"), why);
    };
    if (video_wanted_) media_->start_sending_video();
    const quint64 attempt = ++connect_attempt_;
    scheduler_.post_after(connect_limit_ms, [this, alive, attempt] {
        if (alive.expired() || connected_ || attempt != connect_attempt_) return;
        fail(QStringLiteral("connectivity-error"),
             QStringLiteral("no media connection within %1 s").arg(connect_limit_ms / 1000));
    });
    return true;
}

void JingleSession::accept_offer() {
    state_ = State::accepting;
    when_ice_servers_known([this] {
        if (state_ == State::accepting) answer_offer();
    });
}

void JingleSession::answer_offer() {
    const SessionDescription& offer = *remote_offer_;
    bool audio = false, video = false;
    for (const Content& c : offer.contents) {
        audio = audio || c.media == QLatin1String("audio");
        video = video || c.media == QLatin1String("video");
    }
    if (!create_media(audio, video)) return;
    media_->set_remote_offer(to_sdp(offer, Role::initiator));
    remote_set_ = true;
    flush_candidates();
}

void JingleSession::local_description(const QString& sdp) {
    if (state_ != State::offering && state_ != State::accepting) return;
    Read<SessionDescription> read = from_sdp(sdp, options_.role);
    if (!read.value) {
        fail(QStringLiteral("general-error"),
             QStringLiteral("the media gave an unusable description: ") + read.detail);
        return;
    }
    local_ = std::move(read.value);
    const bool initiating = options_.role == Role::initiator;
    for (Content& c : local_->contents)
        if (const Content* offered = initiating ? nullptr : remote_offer_->content(c.name))
            c.creator = offered->creator;
    if (!initiating) state_ = State::active;
    send_jingle(initiating ? QStringLiteral("session-initiate") : QStringLiteral("session-accept"),
                [this](QXmlStreamWriter& w) { write_session(w, *local_); });
    auto waiting = std::move(local_waiting_);
    local_waiting_.clear();
    for (const auto& [mid, candidate] : waiting)
        local_candidate(-1, mid, candidate_to_sdp(candidate));
}

void JingleSession::local_candidate(int mline, const QString& mid, const QString& text) {
    if (state_ == State::ended || text.isEmpty()) return;  // empty: gathering is complete
    const std::optional<Candidate> candidate = candidate_from_sdp(text);
    if (!candidate) return;  // ICE-UDP says nothing of TCP candidates
    if (!local_) {
        local_waiting_.emplace_back(mid, *candidate);
        return;
    }
    const Content* content = local_->content(mid);
    if (!content && mline >= 0 && mline < static_cast<int>(local_->contents.size()))
        content = &local_->contents[static_cast<std::size_t>(mline)];
    if (!content) return;
    send_jingle(QStringLiteral("transport-info"), [content, &candidate](QXmlStreamWriter& w) {
        write_candidate(w, *content, *candidate);
    });
}

void JingleSession::add_remote(const QString& name, const Candidate& candidate) {
    const SessionDescription* lines = media_lines();
    const int index = lines ? lines->index_of(name) : -1;
    if (media_ && index >= 0)
        media_->add_remote_candidate(index, name, candidate_to_sdp(candidate));
}

void JingleSession::flush_candidates() {
    auto waiting = std::move(remote_waiting_);
    remote_waiting_.clear();
    for (const auto& [name, candidate] : waiting) add_remote(name, candidate);
}

// The media lines are the offer's, in its order: ours when we called, the peer's otherwise.
const SessionDescription* JingleSession::media_lines() const {
    if (options_.role == Role::initiator) return local_ ? &*local_ : nullptr;
    return remote_offer_ ? &*remote_offer_ : nullptr;
}

void JingleSession::send_jingle(const QString& action, const Writer& content) {
    if (!send) return;
    const bool initiating = options_.role == Role::initiator;
    const QString initiator = initiating ? options_.own_jid : options_.peer;
    const QString own = options_.own_jid, sid = options_.sid;
    const bool accept = action == QLatin1String("session-accept");
    const bool opening = action == QLatin1String("session-initiate");
    const std::weak_ptr<bool> alive = alive_;
    send(
        options_.peer,
        [&](QXmlStreamWriter& w) {
            w.writeStartElement(QStringLiteral("jingle"));
            w.writeDefaultNamespace(QLatin1String(ns::jingle));
            w.writeAttribute(QStringLiteral("action"), action);
            w.writeAttribute(QStringLiteral("initiator"), initiator);
            if (accept) w.writeAttribute(QStringLiteral("responder"), own);
            w.writeAttribute(QStringLiteral("sid"), sid);
            content(w);
            w.writeEndElement();
        },
        [this, alive, opening, accept](bool ok) {
            if (ok || alive.expired() || !(opening || accept)) return;
            finish(QStringLiteral("general-error"),
                   QStringLiteral("the phone refused the call's session"));
        });
}

// ---- the peer

JingleSession::Reply JingleSession::receive(const QDomElement& jingle) {
    if (state_ == State::ended)
        return {QStringLiteral("item-not-found"), QStringLiteral("unknown-session")};
    const QString action = jingle.attribute(QStringLiteral("action"));
    if (action == QLatin1String("session-initiate")) return session_initiate(jingle);
    if (action == QLatin1String("session-accept")) return session_accept(jingle);
    if (action == QLatin1String("transport-info")) return transport_info(jingle);
    if (action == QLatin1String("session-terminate")) return session_terminate(jingle);
    if (action == QLatin1String("session-info")) return {};  // ringing, mute, active: noted
    if (action == QLatin1String("content-add")) return content_add(jingle);
    return {QStringLiteral("feature-not-implemented"), {}};
}

JingleSession::Reply JingleSession::session_initiate(const QDomElement& jingle) {
    if (options_.role != Role::responder || state_ != State::idle) return out_of_order();
    Read<SessionDescription> read = read_session(jingle);
    if (read.problem == Problem::malformed) return bad_request();
    QString detail = read.detail;
    if (read.value && !has_common_codecs(*read.value, options_.media.codecs, &detail))
        read.problem = Problem::no_common_codec;
    state_ = State::offered;
    if (read.problem != Problem::none) {
        // Acknowledged first, then refused with its reason, as the protocol orders them.
        later([this, problem = read.problem, detail] { refuse(problem, detail); });
        return {};
    }
    remote_offer_ = without_candidates(*read.value, &remote_waiting_);
    later([this] {
        if (state_ != State::offered) return;  // answered meanwhile, or ended
        if (answered_)
            accept_offer();
        else if (on_offer)
            on_offer();
    });
    return {};
}

JingleSession::Reply JingleSession::session_accept(const QDomElement& jingle) {
    if (options_.role != Role::initiator || state_ != State::offering || !local_)
        return out_of_order();
    Read<SessionDescription> read = read_session(jingle);
    if (read.problem == Problem::malformed) return bad_request();
    if (read.problem != Problem::none) {
        later([this, problem = read.problem, detail = read.detail] { refuse(problem, detail); });
        return {};
    }
    // The answer has the offer's media lines in the offer's order; one it leaves out is refused.
    SessionDescription answer;
    answer.bundle = read.value->bundle;
    for (const Content& ours : local_->contents) {
        const Content* theirs = read.value->content(ours.name);
        Content line = theirs ? *theirs : ours;
        line.rejected = !theirs;
        answer.contents.push_back(line);
    }
    answer = without_candidates(answer, &remote_waiting_);
    state_ = State::active;
    media_->set_remote_answer(to_sdp(answer, Role::responder));
    remote_set_ = true;
    later([this] { flush_candidates(); });
    return {};
}

JingleSession::Reply JingleSession::transport_info(const QDomElement& jingle) {
    const SessionDescription* lines = media_lines();
    if (!lines) return out_of_order();
    const Read<SessionDescription> read = read_transport_info(jingle);
    if (!read.value) return bad_request();
    for (const Content& c : read.value->contents)
        if (lines->index_of(c.name) < 0) return bad_request();
    for (const Content& c : read.value->contents)
        for (const Candidate& candidate : c.transport.candidates)
            remote_waiting_.emplace_back(c.name, candidate);
    if (remote_set_) later([this] { flush_candidates(); });
    return {};
}

JingleSession::Reply JingleSession::session_terminate(const QDomElement& jingle) {
    const QString reason = reason_of(jingle);
    qCInfo(jingle_log) << "call" << options_.sid << "ended by" << options_.peer << ":" << reason;
    later([this, reason] { finish(reason, {}); });
    return {};
}

// A stream added to a running call (the owner turns on video in a voice call) is declined: the
// call goes on as it was agreed. Taking it would mean a second negotiation of the media while it
// runs, for a call that is already answered the way the owner asked for.
JingleSession::Reply JingleSession::content_add(const QDomElement& jingle) {
    if (state_ != State::active && state_ != State::accepting) return out_of_order();
    std::vector<std::pair<QString, QString>> added;  // creator, name
    for (QDomElement c = jingle.firstChildElement(QStringLiteral("content")); !c.isNull();
         c = c.nextSiblingElement(QStringLiteral("content"))) {
        const QString name = c.attribute(QStringLiteral("name"));
        if (name.isEmpty()) return bad_request();
        added.emplace_back(c.attribute(QStringLiteral("creator"), QStringLiteral("initiator")),
                           name);
    }
    if (added.empty()) return bad_request();
    qCInfo(jingle_log) << "call" << options_.sid << "declines" << added.size()
                       << "added content(s)";
    later([this, added] {
        if (state_ == State::ended) return;
        send_jingle(QStringLiteral("content-reject"), [&added](QXmlStreamWriter& w) {
            for (const auto& [creator, name] : added) {
                w.writeStartElement(QStringLiteral("content"));
                w.writeAttribute(QStringLiteral("creator"), creator);
                w.writeAttribute(QStringLiteral("name"), name);
                w.writeEndElement();
            }
            w.writeStartElement(QStringLiteral("reason"));
            w.writeEmptyElement(QStringLiteral("decline"));
            w.writeEndElement();
        });
    });
    return {};
}
