#include "platform/call/gst_call_media.h"

#include <gst/app/gstappsrc.h>
#include <gst/sdp/sdp.h>
#define GST_USE_UNSTABLE_API
#include <gst/webrtc/webrtc.h>

#include <utility>

#include "log/categories.h"
#include "platform/call/bitrate_control.h"
#include "platform/call/call_picture_feed.h"
#include "platform/call/call_sound.h"
#include "platform/call/ice_setup.h"
#include "platform/call/main_thread_hop.h"
#include "platform/call/sdp_media.h"
#include "platform/gst/gst_bus_relay.h"
#include "platform/gst/gst_runtime.h"

namespace {
GstElement* add(GstBin* bin, const char* factory) {
    GstElement* element = gst_element_factory_make(factory, nullptr);
    if (element) gst_bin_add(bin, element);
    return element;
}

QString text_of(const GstWebRTCSessionDescription* description) {
    const GCharPtr text(gst_sdp_message_as_text(description->sdp));
    return QString::fromUtf8(text.get());
}

GstWebRTCSessionDescription* description_of(const QString& sdp, GstWebRTCSDPType type) {
    GstSDPMessage* message = nullptr;
    if (gst_sdp_message_new_from_text(sdp.toUtf8().constData(), &message) != GST_SDP_OK)
        return nullptr;
    return gst_webrtc_session_description_new(type, message);
}

// Links the end of a branch to webrtcbin: to `pad` when one was asked for before, else to a new
// request pad.
bool link_to_webrtc(GstElement* last, GstElement* webrtc, GstPad* pad = nullptr) {
    const GstPadPtr sink(pad ? GST_PAD(gst_object_ref(pad))
                             : gst_element_request_pad_simple(webrtc, "sink_%u"));
    if (!sink) return false;
    const GstPadPtr source(gst_element_get_static_pad(last, "src"));
    return gst_pad_link(source.get(), sink.get()) == GST_PAD_LINK_OK;
}

// What the payloader sends, with the feedback the phone may ask for: a key frame on PLI or FIR
// (rtpbin hands those to the encoder as key-unit requests), NACK for lost packets.
GstCapsPtr rtp_caps(const char* media, const char* encoding, int payload, int clock_rate) {
    GstCapsPtr caps(gst_caps_new_simple(
        "application/x-rtp", "media", G_TYPE_STRING, media, "encoding-name", G_TYPE_STRING,
        encoding, "payload", G_TYPE_INT, payload, "clock-rate", G_TYPE_INT, clock_rate, nullptr));
    if (g_str_equal(media, "video"))
        gst_caps_set_simple(caps.get(), "rtcp-fb-nack-pli", G_TYPE_BOOLEAN, TRUE, "rtcp-fb-ccm-fir",
                            G_TYPE_BOOLEAN, TRUE, "rtcp-fb-nack", G_TYPE_BOOLEAN, TRUE, nullptr);
    return caps;
}

// The owner's voice to the speaker; anything else the phone sends (its own camera) is dropped.
void link_received(GstElement* webrtc, GstPad* pad, gpointer) {
    if (GST_PAD_DIRECTION(pad) != GST_PAD_SRC) return;
    GstBin* pipeline = GST_BIN(gst_element_get_parent(webrtc));
    if (!pipeline) return;
    GstCapsPtr caps(gst_pad_get_current_caps(pad));
    if (!caps) caps.reset(gst_pad_query_caps(pad, nullptr));
    const GstStructure* structure = caps ? gst_caps_get_structure(caps.get(), 0) : nullptr;
    const gchar* media = structure ? gst_structure_get_string(structure, "media") : nullptr;
    GstElement* first = nullptr;
    if (media && g_str_equal(media, "audio")) {
        GstElement* chain[] = {add(pipeline, "rtpopusdepay"), add(pipeline, "opusdec"),
                               add(pipeline, "audioconvert"), add(pipeline, "audioresample"),
                               call_sound::make_speaker()};
        if (chain[4]) gst_bin_add(pipeline, chain[4]);
        bool linked = true;
        for (GstElement* element : chain) linked = linked && element;
        for (int n = 0; linked && n + 1 < 5; ++n) linked = gst_element_link(chain[n], chain[n + 1]);
        for (GstElement* element : chain)
            if (element) gst_element_sync_state_with_parent(element);
        if (linked) first = chain[0];
    }
    if (!first) {
        first = add(pipeline, "fakesink");
        g_object_set(first, "sync", FALSE, "async", FALSE, nullptr);
        gst_element_sync_state_with_parent(first);
    }
    const GstPadPtr sink(gst_element_get_static_pad(first, "sink"));
    if (gst_pad_link(pad, sink.get()) != GST_PAD_LINK_OK)
        qCWarning(call_log) << "A stream the phone sends could not be linked";
    gst_object_unref(pipeline);
}
}  // namespace

// What a callback on a GStreamer thread may touch: the hop, webrtcbin (held), and the media
// object only inside work the hop runs, which it no longer does once the call has ended.
struct GstCallMedia::Context {
    std::shared_ptr<MainThreadHop> hop;
    GstElementPtr webrtc;
    GstCallMedia* media;

    Context* copy() const {
        return new Context{hop, GstElementPtr(GST_ELEMENT(gst_object_ref(webrtc.get()))), media};
    }
    static void free(gpointer context) { delete static_cast<Context*>(context); }
    static void free_closure(gpointer context, GClosure*) { free(context); }

    static void description_made(GstPromise* promise, Context* context, const char* field) {
        GstWebRTCSessionDescription* description = nullptr;
        if (gst_promise_wait(promise) == GST_PROMISE_RESULT_REPLIED)
            gst_structure_get(gst_promise_get_reply(promise), field,
                              GST_TYPE_WEBRTC_SESSION_DESCRIPTION, &description, nullptr);
        gst_promise_unref(promise);
        GstCallMedia* media = context->media;
        if (!description) {
            const QString reason = QStringLiteral("webrtcbin made no %1").arg(field);
            context->hop->post([media, reason] { media->fail(reason); });
            return;
        }
        g_signal_emit_by_name(context->webrtc.get(), "set-local-description", description, nullptr);
        const QString sdp = text_of(description);
        gst_webrtc_session_description_free(description);
        context->hop->post([media, sdp] { media->local_description_made(sdp); });
    }
    static void offer_made(GstPromise* promise, gpointer context) {
        description_made(promise, static_cast<Context*>(context), "offer");
    }
    static void answer_made(GstPromise* promise, gpointer context) {
        description_made(promise, static_cast<Context*>(context), "answer");
    }
    static void remote_offer_set(GstPromise* promise, gpointer user) {
        auto* context = static_cast<Context*>(user);
        gst_promise_unref(promise);
        g_signal_emit_by_name(
            context->webrtc.get(), "create-answer", nullptr,
            gst_promise_new_with_change_func(&answer_made, context->copy(), &Context::free));
    }
    static void candidate_found(GstElement*, guint mline, gchar* candidate, gpointer user) {
        auto* context = static_cast<Context*>(user);
        GstCallMedia* media = context->media;
        // webrtcbin's text has no "a=" but may end with a line break.
        const QString text = QString::fromUtf8(candidate).trimmed();
        context->hop->post([media, mline, text] { media->local_candidate(int(mline), text); });
    }
    static void gathering_changed(GstElement* webrtc, GParamSpec*, gpointer user) {
        GstWebRTCICEGatheringState state;
        g_object_get(webrtc, "ice-gathering-state", &state, nullptr);
        if (state != GST_WEBRTC_ICE_GATHERING_STATE_COMPLETE) return;
        auto* context = static_cast<Context*>(user);
        GstCallMedia* media = context->media;
        context->hop->post([media] { media->local_candidate(0, {}); });
    }
    static void connection_changed(GstElement* webrtc, GParamSpec*, gpointer user) {
        GstWebRTCPeerConnectionState state;
        g_object_get(webrtc, "connection-state", &state, nullptr);
        auto* context = static_cast<Context*>(user);
        GstCallMedia* media = context->media;
        context->hop->post([media, state] { media->connection_state_changed(int(state)); });
    }
    // A source of the peer's that sent a report, timed out or said goodbye (rtpbin's threads).
    static void source_heard(GstElement*, guint session, guint ssrc, gpointer user) {
        source_changed(user, session, ssrc, true);
    }
    static void source_gone(GstElement*, guint session, guint ssrc, gpointer user) {
        source_changed(user, session, ssrc, false);
    }
    static void source_changed(gpointer user, guint session, guint ssrc, bool heard) {
        auto* context = static_cast<Context*>(user);
        GstCallMedia* media = context->media;
        context->hop->post(
            [media, session, ssrc, heard] { media->peer_source_changed(session, ssrc, heard); });
    }
    static void stats_came(GstPromise* promise, gpointer user) {
        auto* context = static_cast<Context*>(user);
        double worst = -1;
        if (gst_promise_wait(promise) == GST_PROMISE_RESULT_REPLIED)
            gst_structure_foreach(gst_promise_get_reply(promise), &worst_loss, &worst);
        gst_promise_unref(promise);
        GstCallMedia* media = context->media;
        context->hop->post([media, worst] { media->adapt_bitrate(worst); });
    }
    // The largest share of packets lost that any receiver report gave.
    static gboolean worst_loss(GQuark, const GValue* value, gpointer worst) {
        if (!GST_VALUE_HOLDS_STRUCTURE(value)) return TRUE;
        const GstStructure* stats = gst_value_get_structure(value);
        GstWebRTCStatsType type{};
        double lost = 0;
        if (gst_structure_get(stats, "type", GST_TYPE_WEBRTC_STATS_TYPE, &type, nullptr) &&
            type == GST_WEBRTC_STATS_REMOTE_INBOUND_RTP &&
            gst_structure_get_double(stats, "fraction-lost", &lost))
            *static_cast<double*>(worst) = std::max(*static_cast<double*>(worst), lost);
        return TRUE;
    }
};

GstCallMedia::GstCallMedia(Config config, CallPictures pictures)
    : config_(std::move(config)),
      pictures_(std::move(pictures)),
      hop_(MainThreadHop::make()),
      bitrate_(bitrate_control::start_for(640, 480)) {
    gst_runtime::ensure_initialised();
    connect_timer_.setSingleShot(true);
    connect_timer_.setInterval(connect_limit);
    QObject::connect(&connect_timer_, &QTimer::timeout, [this] {
        fail(QStringLiteral("no connection to the peer within %1 s").arg(connect_limit.count()));
    });
    stats_timer_.setInterval(stats_period);
    QObject::connect(&stats_timer_, &QTimer::timeout, [this] { ask_for_stats(); });
}

GstCallMedia::~GstCallMedia() {
    stop();
}

void GstCallMedia::create_offer() {
    if (pipeline_ || over()) return;
    // Every video codec we have is offered; the encoder is built once the answer has chosen.
    const std::vector<VideoCodec> codecs =
        config_.video ? video_codecs::available() : std::vector<VideoCodec>{};
    if (!build(std::nullopt, config_.audio ? std::optional(default_audio_payload) : std::nullopt,
               codecs, true) ||
        !start_pipeline())
        return;
    g_signal_emit_by_name(webrtc_, "create-offer", nullptr, promise(&Context::offer_made));
}

void GstCallMedia::set_remote_offer(const QString& sdp) {
    if (pipeline_ || over()) return;
    if (!expect_fingerprint(sdp)) return;
    // Our streams go by the numbers the peer chose for the codecs.
    const auto video = config_.video ? video_codecs::choose(sdp_media::payloads(sdp, "video"),
                                                            video_codecs::available())
                                     : std::nullopt;
    const auto audio = config_.audio ? sdp_media::payload_type(sdp, "audio", "opus") : std::nullopt;
    if (!video && !audio) {
        fail(QStringLiteral("the peer offers no video codec we can send, nor Opus audio"));
        return;
    }
    GstWebRTCSessionDescription* offer = description_of(sdp, GST_WEBRTC_SDP_TYPE_OFFER);
    if (!offer) {
        fail(QStringLiteral("the peer's offer is not a session description"));
        return;
    }
    if (build(video, audio) && start_pipeline()) {
        g_signal_emit_by_name(webrtc_, "set-remote-description", offer,
                              promise(&Context::remote_offer_set));
        connect_timer_.start();
    }
    gst_webrtc_session_description_free(offer);
}

void GstCallMedia::set_remote_answer(const QString& sdp) {
    if (!webrtc_ || over()) return;
    if (!expect_fingerprint(sdp)) return;
    if (!send_answered_video(sdp)) return;
    GstWebRTCSessionDescription* answer = description_of(sdp, GST_WEBRTC_SDP_TYPE_ANSWER);
    if (!answer) {
        fail(QStringLiteral("the peer's answer is not a session description"));
        return;
    }
    g_signal_emit_by_name(webrtc_, "set-remote-description", answer, nullptr);
    gst_webrtc_session_description_free(answer);
    connect_timer_.start();
}

void GstCallMedia::add_remote_candidate(int mline, const QString&, const QString& candidate) {
    // The end of the peer's candidates needs no word to webrtcbin: it goes on checking the
    // pairs it has.
    if (!webrtc_ || over() || candidate.isEmpty()) return;
    QString text = candidate;
    if (text.startsWith(QLatin1String("a="))) text = text.mid(2);
    g_signal_emit_by_name(webrtc_, "add-ice-candidate", guint(std::max(mline, 0)),
                          text.toUtf8().constData());
}

void GstCallMedia::start_sending_video() {
    if (feed_ && !over()) feed_->show_room();
}

void GstCallMedia::stop() {
    if (stopped_) return;
    stopped_ = true;
    hop_->close();
    connect_timer_.stop();
    stats_timer_.stop();
    if (feed_) feed_->stop();
    if (pipeline_) gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
    // Each handler's context holds webrtcbin: left connected, they would keep it (its sockets
    // and threads) alive after the pipeline, one set for every call.
    for (const auto& [element, handler] : handlers_) g_signal_handler_disconnect(element, handler);
    handlers_.clear();
    relay_.reset();
    video_pad_.reset();
    feed_.reset();
    webrtc_ = nullptr;
    encoder_ = nullptr;
    mixer_ = nullptr;
    microphone_ = nullptr;
    pipeline_.reset();
}

bool GstCallMedia::expect_fingerprint(const QString& sdp) {
    // The peer's DTLS certificate is checked against this once connected: without one there
    // is nothing to check it against, and the media could be anyone's.
    peer_fingerprint_ = dtls_fingerprint::of_sdp(sdp);
    if (!peer_fingerprint_) fail(QStringLiteral("the peer signalled no DTLS fingerprint"));
    return peer_fingerprint_.has_value();
}

bool GstCallMedia::build(std::optional<video_codecs::Choice> video,
                         std::optional<int> audio_payload,
                         const std::vector<VideoCodec>& offered_video, bool offering) {
    pipeline_ = sunk(gst_pipeline_new("call"));
    webrtc_ = add(GST_BIN(pipeline_.get()), "webrtcbin");
    if (!webrtc_) {
        fail(
            QStringLiteral("GStreamer has no webrtcbin (gstreamer1.0-plugins-bad, "
                           "gstreamer1.0-nice)"));
        return false;
    }
    // Our offer gives each stream a transport of its own and proposes no BUNDLE group, as Dino
    // offers its own calls, which every app answers: a phone that does not bundle (Dino) then
    // has a transport for each. Offered max-bundle, its second stream would have none, and
    // webrtcbin could not send it (the audio of the machine's call was lost so, with a "code
    // should not be reached" warning). An offer that bundles is answered bundled.
    gst_util_set_object_arg(G_OBJECT(webrtc_), "bundle-policy", offering ? "none" : "max-bundle");
    ice_setup::configure(webrtc_, config_.ice_servers);
    const bool video_ok = video                   ? add_video_branch(*video)
                          : offered_video.empty() ? true
                                                  : add_video_transceiver(offered_video);
    const bool audio_ok = !audio_payload || add_audio_branch(*audio_payload);
    if (!video_ok || !audio_ok) {
        fail(QStringLiteral("the call's %1 branch could not be built")
                 .arg(video_ok ? QStringLiteral("audio") : QStringLiteral("video")));
        return false;
    }
    connect_signals();
    relay_ =
        std::make_unique<GstBusRelay>(pipeline_.get(), GST_MESSAGE_ERROR | GST_MESSAGE_WARNING,
                                      [this](GstMessage* message) { pipeline_message(message); });
    return true;
}

// The video line of our offer, with every codec we can send (VP8 first) and their parameters;
// its pad waits for the branch that the answer's codec decides.
bool GstCallMedia::add_video_transceiver(const std::vector<VideoCodec>& codecs) {
    GstCapsPtr caps(gst_caps_new_empty());
    int payload = default_video_payload;
    for (const VideoCodec& codec : codecs) {
        GstCapsPtr one = rtp_caps("video", codec.name.toLatin1().constData(), payload++, 90000);
        // The profile goes into the offer's text only (local_description_made): as a codec
        // preference webrtcbin would hold the payloader to its exact digits, and x264's stream
        // names constrained baseline its own way (42c0.. for 42e0..).
        for (const QString& parameter : codec.parameters.split(';', Qt::SkipEmptyParts))
            if (!parameter.startsWith(QLatin1String("profile-level-id")))
                gst_caps_set_simple(one.get(), parameter.section('=', 0, 0).toLatin1().constData(),
                                    G_TYPE_STRING, parameter.section('=', 1).toLatin1().constData(),
                                    nullptr);
        gst_caps_append(caps.get(), one.release());
    }
    video_pad_.reset(gst_element_request_pad_simple(webrtc_, "sink_%u"));
    if (!video_pad_) return false;
    GstWebRTCRTPTransceiver* transceiver = nullptr;
    g_object_get(video_pad_.get(), "transceiver", &transceiver, nullptr);
    if (!transceiver) return false;
    g_object_set(transceiver, "codec-preferences", caps.get(), nullptr);
    gst_object_unref(transceiver);
    return true;
}

// The answer to our offer names the codec our video goes out in: its branch is built now, onto
// the pad the offer was made with. An answer that refuses video leaves the call without it.
bool GstCallMedia::send_answered_video(const QString& answer) {
    if (!video_pad_ || feed_) return true;
    const auto video =
        video_codecs::choose(sdp_media::payloads(answer, "video"), video_codecs::available());
    if (!video) return true;
    if (!add_video_branch(*video, video_pad_.get())) {
        fail(QStringLiteral("the call's video branch could not be built"));
        return false;
    }
    feed_->start();
    return true;
}

bool GstCallMedia::add_video_branch(const video_codecs::Choice& video, GstPad* pad) {
    GstBin* bin = GST_BIN(pipeline_.get());
    const VideoCodec& codec = *video.codec;
    GstElement* source = add(bin, "appsrc");
    GstElement* convert = add(bin, "videoconvert");
    GstElement* queue = add(bin, "queue");
    encoder_ = add(bin, codec.encoder);
    GstElement* encoded = add(bin, "capsfilter");
    GstElement* payloader = add(bin, codec.payloader);
    GstElement* filter = add(bin, "capsfilter");
    if (!source || !convert || !queue || !encoder_ || !encoded || !payloader || !filter)
        return false;
    video_codec_ = &codec;

    g_object_set(source, "is-live", TRUE, "do-timestamp", TRUE, "format", GST_FORMAT_TIME, nullptr);
    // A picture the encoder has not taken yet is replaced by the next: never a backlog.
    g_object_set(queue, "max-size-buffers", 2u, "max-size-bytes", 0u, "max-size-time", guint64(0),
                 nullptr);
    gst_util_set_object_arg(G_OBJECT(queue), "leaky", "downstream");
    video_codecs::configure(encoder_, codec, bitrate_);
    if (codec.encoded) {
        const GstCapsPtr caps(gst_caps_from_string(codec.encoded));
        g_object_set(encoded, "caps", caps.get(), nullptr);
    }
    g_object_set(payloader, "pt", guint(video.payload), nullptr);
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(payloader), "picture-id-mode"))
        gst_util_set_object_arg(G_OBJECT(payloader), "picture-id-mode", "15-bit");
    // The parameter sets go with every key frame, so a phone that missed the first can start.
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(payloader), "config-interval"))
        g_object_set(payloader, "config-interval", -1, nullptr);
    const QByteArray name = codec.name.toLatin1();
    g_object_set(filter, "caps", rtp_caps("video", name.constData(), video.payload, 90000).get(),
                 nullptr);
    if (!gst_element_link_many(source, convert, queue, encoder_, encoded, payloader, filter,
                               nullptr) ||
        !link_to_webrtc(filter, webrtc_, pad))
        return false;
    // Built while the call runs: the branch starts from its end to its source.
    for (GstElement* element : {filter, payloader, encoded, encoder_, queue, convert, source})
        gst_element_sync_state_with_parent(element);
    feed_ = std::make_unique<CallPictureFeed>(GST_APP_SRC(source), pictures_);
    return true;
}

// Silence always, mixed with the microphone while it works: a microphone that will not open or
// fails during the call is taken out, and the call goes on with the silence alone.
bool GstCallMedia::add_audio_branch(int payload) {
    GstBin* bin = GST_BIN(pipeline_.get());
    GstElement* silence = call_sound::make_silence();
    if (silence) gst_bin_add(bin, silence);
    mixer_ = add(bin, "audiomixer");
    GstElement* convert = add(bin, "audioconvert");
    GstElement* resample = add(bin, "audioresample");
    GstElement* queue = add(bin, "queue");
    GstElement* encoder = add(bin, "opusenc");
    GstElement* payloader = add(bin, "rtpopuspay");
    GstElement* filter = add(bin, "capsfilter");
    if (!silence || !mixer_ || !convert || !resample || !queue || !encoder || !payloader || !filter)
        return false;
    gst_util_set_object_arg(G_OBJECT(encoder), "audio-type", "voice");
    g_object_set(payloader, "pt", guint(payload), nullptr);
    g_object_set(filter, "caps", rtp_caps("audio", "OPUS", payload, 48000).get(), nullptr);
    if (!gst_element_link_many(silence, mixer_, convert, resample, queue, encoder, payloader,
                               filter, nullptr) ||
        !link_to_webrtc(filter, webrtc_))
        return false;
    if (!add_microphone()) drop_microphone(QStringLiteral("it could not be linked"));
    return true;
}

// Started apart from the pipeline (start_microphone), so that one that will not open does not
// keep the call from starting.
bool GstCallMedia::add_microphone() {
    microphone_ = make_microphone ? make_microphone() : nullptr;
    if (!microphone_) return true;
    gst_bin_add(GST_BIN(pipeline_.get()), microphone_);
    gst_element_set_locked_state(microphone_, TRUE);
    return gst_element_link(microphone_, mixer_);
}

void GstCallMedia::start_microphone() {
    if (!microphone_) return;
    gst_element_set_locked_state(microphone_, FALSE);
    if (!gst_element_sync_state_with_parent(microphone_))
        drop_microphone(QStringLiteral("it does not start"));
}

void GstCallMedia::drop_microphone(const QString& why) {
    if (!microphone_) return;
    qCWarning(call_log) << "The microphone is left out of the call, which sends silence:" << why;
    GstElement* microphone = std::exchange(microphone_, nullptr);
    const GstPadPtr source(gst_element_get_static_pad(microphone, "src"));
    const GstPadPtr mixer_pad(source ? gst_pad_get_peer(source.get()) : nullptr);
    gst_element_set_locked_state(microphone, TRUE);
    gst_element_set_state(microphone, GST_STATE_NULL);
    if (mixer_pad) {
        gst_pad_unlink(source.get(), mixer_pad.get());
        gst_element_release_request_pad(mixer_, mixer_pad.get());
    }
    gst_bin_remove(GST_BIN(pipeline_.get()), microphone);
}

void GstCallMedia::pipeline_message(GstMessage* message) {
    const bool error = GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR;
    if (error && microphone_ &&
        gst_object_has_as_ancestor(GST_MESSAGE_SRC(message), GST_OBJECT(microphone_))) {
        drop_microphone(gst_runtime::message_text(message));
        return;
    }
    // What a microphone taken out of the call said on its way out is old news.
    const bool ours =
        gst_object_has_as_ancestor(GST_MESSAGE_SRC(message), GST_OBJECT(pipeline_.get()));
    if (error && ours)
        qCWarning(call_log) << "The call's media reports:" << gst_runtime::message_text(message);
    else
        qCDebug(call_log) << "The call's media warns:" << gst_runtime::message_text(message);
}

void GstCallMedia::connect_signals() {
    const Context context{hop_, GstElementPtr(GST_ELEMENT(gst_object_ref(webrtc_))), this};
    const auto connect_to = [&](GstElement* element, const char* signal, GCallback callback) {
        handlers_.emplace_back(element,
                               g_signal_connect_data(element, signal, callback, context.copy(),
                                                     &Context::free_closure, GConnectFlags(0)));
    };
    connect_to(webrtc_, "on-ice-candidate", G_CALLBACK(&Context::candidate_found));
    connect_to(webrtc_, "notify::ice-gathering-state", G_CALLBACK(&Context::gathering_changed));
    connect_to(webrtc_, "notify::connection-state", G_CALLBACK(&Context::connection_changed));
    g_signal_connect(webrtc_, "pad-added", G_CALLBACK(&link_received), nullptr);
    // A phone that vanishes (no network, switched off) says nothing, and ICE does not notice:
    // its RTP session's sources time out instead, some half a minute after its last report.
    const GstElementPtr rtpbin(gst_bin_get_by_name(GST_BIN(webrtc_), "rtpbin"));
    if (!rtpbin) {
        qCWarning(call_log) << "webrtcbin has no rtpbin: a vanished peer is noticed only by the "
                               "call's time limit";
        return;
    }
    for (const auto& [signal, callback] :
         {std::pair{"on-ssrc-active", G_CALLBACK(&Context::source_heard)},
          std::pair{"on-timeout", G_CALLBACK(&Context::source_gone)},
          std::pair{"on-bye-ssrc", G_CALLBACK(&Context::source_gone)}})
        connect_to(rtpbin.get(), signal, callback);
}

bool GstCallMedia::start_pipeline() {
    if (gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        fail(QStringLiteral("the call's media pipeline does not start"));
        return false;
    }
    start_microphone();
    if (feed_) feed_->start();
    return true;
}

GstPromise* GstCallMedia::promise(GstPromiseChangeFunc done) {
    auto* context = new Context{hop_, GstElementPtr(GST_ELEMENT(gst_object_ref(webrtc_))), this};
    return gst_promise_new_with_change_func(done, context, &Context::free);
}

// --- On the program's thread ------------------------------------------------------------

void GstCallMedia::local_description_made(const QString& sdp) {
    local_mids_.clear();
    for (const sdp_media::Line& line : sdp_media::lines_of(sdp)) local_mids_.push_back(line.mid);
    QString written = sdp_media::without_bundle_only(sdp);
    if (video_pad_ && !feed_)  // our offer: each codec with everything it says of itself
        for (const VideoCodec& codec : video_codecs::available())
            if (!codec.parameters.isEmpty())
                written = sdp_media::with_parameters(written, codec.name, codec.parameters);
    if (on_local_description) on_local_description(written);
}

void GstCallMedia::local_candidate(int mline, const QString& candidate) {
    const QString mid =
        mline >= 0 && size_t(mline) < local_mids_.size() ? local_mids_[mline] : QString();
    if (on_local_candidate) on_local_candidate(mline, mid, candidate);
}

void GstCallMedia::connection_state_changed(int state) {
    if (state == GST_WEBRTC_PEER_CONNECTION_STATE_FAILED) {
        GstWebRTCICEConnectionState ice;
        g_object_get(webrtc_, "ice-connection-state", &ice, nullptr);
        fail(ice == GST_WEBRTC_ICE_CONNECTION_STATE_FAILED
                 ? QStringLiteral("no network path to the peer (ICE failed)")
                 : QStringLiteral("the encryption handshake with the peer failed (DTLS)"));
        return;
    }
    if (state != GST_WEBRTC_PEER_CONNECTION_STATE_CONNECTED || connected_) return;
    if (!certificate_matches()) {
        fail(QStringLiteral("the peer's DTLS certificate does not match its fingerprint"));
        return;
    }
    connected_ = true;
    connect_timer_.stop();
    stats_timer_.start();
    qCInfo(call_log) << "Call media connected";
    if (on_connected) on_connected();
}

bool GstCallMedia::certificate_matches() {
    if (!peer_fingerprint_) return false;
    GstWebRTCRTPTransceiver* transceiver = nullptr;
    g_signal_emit_by_name(webrtc_, "get-transceiver", 0, &transceiver);
    if (!transceiver) return false;
    GstWebRTCRTPSender* sender = nullptr;
    g_object_get(transceiver, "sender", &sender, nullptr);
    gst_object_unref(transceiver);
    GstWebRTCDTLSTransport* transport = nullptr;
    if (sender) {
        g_object_get(sender, "transport", &transport, nullptr);
        gst_object_unref(sender);
    }
    gchar* pem = nullptr;
    if (transport) {
        g_object_get(transport, "remote-certificate", &pem, nullptr);
        gst_object_unref(transport);
    }
    const GCharPtr held(pem);
    return pem && dtls_fingerprint::matches(*peer_fingerprint_, QByteArray(pem));
}

void GstCallMedia::ask_for_stats() {
    if (!webrtc_) return;
    g_signal_emit_by_name(webrtc_, "get-stats", nullptr, promise(&Context::stats_came));
}

void GstCallMedia::adapt_bitrate(double fraction_lost) {
    const int next = bitrate_control::next(bitrate_, fraction_lost);
    if (next == bitrate_ || !encoder_) return;
    qCDebug(call_log) << "Video bitrate" << bitrate_ << "->" << next << "at loss" << fraction_lost;
    bitrate_ = next;
    video_codecs::set_bitrate(encoder_, *video_codec_, bitrate_);
}

// The peer's sources are those that sent reports (ours never come back to us); when the last
// one is gone, the peer has fallen silent.
void GstCallMedia::peer_source_changed(unsigned session, unsigned ssrc, bool heard) {
    if (over()) return;
    const std::pair key{session, ssrc};
    if (heard) {
        heard_from_.insert(key);
    } else if (heard_from_.erase(key) > 0 && heard_from_.empty()) {
        fail(QStringLiteral("nothing heard from the peer any more"));
    }
}

void GstCallMedia::fail(const QString& reason) {
    if (over()) return;
    qCWarning(call_log) << "Call media failed:" << reason;
    connect_timer_.stop();
    stats_timer_.stop();
    // Reported once: the session ends the call, which stops the media.
    failed_ = true;
    hop_->close();
    if (on_failed) on_failed(reason);
}
