#pragma once

#include <gst/gst.h>

#include <QTimer>
#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "jingle/call_media.h"
#include "platform/call/call_pictures.h"
#include "platform/call/call_sound.h"
#include "platform/call/dtls_fingerprint.h"
#include "platform/call/video_codec.h"
#include "platform/gst/gst_ptr.h"

class CallPictureFeed;
class GstBusRelay;
class MainThreadHop;

// A call's media on GStreamer's webrtcbin: ICE (libnice), DTLS-SRTP, RTP and RTCP are all
// webrtcbin's. Ours are the branches around it: the camera's pictures (black until the owner may
// see the room) as VP8 or H.264, the room's sound as Opus (silence under it, which goes on alone
// when the microphone fails), the owner's voice to the speaker; the check of
// the peer's certificate against the fingerprint it signalled, which webrtcbin leaves out; the
// video bitrate following the receiver's reports. Every hook runs on the thread that made the
// object, never on GStreamer's.
class GstCallMedia : public CallMedia {
  public:
    // A call that has not connected this long after both descriptions are known has failed.
    static constexpr std::chrono::seconds connect_limit{20};
    static constexpr std::chrono::milliseconds stats_period{2000};
    static constexpr int default_video_payload = 96;
    static constexpr int default_audio_payload = 111;

    GstCallMedia(Config config, CallPictures pictures);
    ~GstCallMedia() override;
    GstCallMedia(const GstCallMedia&) = delete;
    GstCallMedia& operator=(const GstCallMedia&) = delete;

    void create_offer() override;
    void set_remote_offer(const QString& sdp) override;
    void set_remote_answer(const QString& sdp) override;
    void add_remote_candidate(int mline, const QString& mid, const QString& candidate) override;
    void start_sending_video() override;
    void stop() override;

    // The video encoder's rate now, for the benchmarks and the log.
    int video_bitrate() const { return bitrate_; }
    // The codec the video goes out in, once the descriptions are agreed.
    QString video_codec() const { return video_codec_ ? video_codec_->name : QString(); }

    // Where the room's sound comes from (null: none). Set before the call starts; the tests
    // give a microphone that fails.
    std::function<GstElement*()> make_microphone = &call_sound::make_microphone;

    // What GStreamer's threads hand over; public for the C callbacks only.
    struct Context;

  private:
    bool build(std::optional<video_codecs::Choice> video, std::optional<int> audio_payload,
               const std::vector<VideoCodec>& offered_video = {}, bool offering = false);
    bool add_video_transceiver(const std::vector<VideoCodec>& codecs);
    bool send_answered_video(const QString& answer);
    bool add_video_branch(const video_codecs::Choice& video, GstPad* pad = nullptr);
    bool add_audio_branch(int payload);
    bool add_microphone();
    void start_microphone();
    void drop_microphone(const QString& why);
    void pipeline_message(GstMessage* message);
    bool expect_fingerprint(const QString& sdp);
    bool start_pipeline();
    void connect_signals();
    GstPromise* promise(GstPromiseChangeFunc done);

    void local_description_made(const QString& sdp);
    void local_candidate(int mline, const QString& candidate);
    void connection_state_changed(int state);
    bool certificate_matches();
    void ask_for_stats();
    void adapt_bitrate(double fraction_lost);
    void peer_source_changed(unsigned session, unsigned ssrc, bool heard);
    void fail(const QString& reason);
    bool over() const { return failed_ || stopped_; }

    Config config_;
    CallPictures pictures_;
    std::shared_ptr<MainThreadHop> hop_;
    GstElementPtr pipeline_;
    GstElement* webrtc_ = nullptr;   // the pipeline's
    GstElement* encoder_ = nullptr;  // the pipeline's
    const VideoCodec* video_codec_ = nullptr;
    GstPadPtr video_pad_;  // of our offer, until its answer chose the codec  // of our offer, until
                           // its answer chose the codec
    GstElement* mixer_ = nullptr;       // the pipeline's: silence and the microphone
    GstElement* microphone_ = nullptr;  // the pipeline's, while it works
    std::unique_ptr<GstBusRelay> relay_;
    std::unique_ptr<CallPictureFeed> feed_;
    std::optional<dtls_fingerprint::Fingerprint> peer_fingerprint_;
    std::vector<QString> local_mids_;
    std::set<std::pair<unsigned, unsigned>> heard_from_;    // the peer's RTP sources: session, SSRC
    std::vector<std::pair<GstElement*, gulong>> handlers_;  // connected with a context each
    QTimer connect_timer_;
    QTimer stats_timer_;
    int bitrate_;
    bool connected_ = false;
    bool failed_ = false;
    bool stopped_ = false;
};
