#pragma once

// A CallMedia that records what the session asks of it and answers with webrtcbin's SDP, so the
// session logic runs without a network. The test decides when it connects or fails.
#include <QStringList>

#include "jingle/call_media.h"
#include "jingle_samples.h"

struct CallMediaDouble : CallMedia {
    struct Record {
        QStringList calls;  // "offer", "remote-offer", "remote-answer", "candidate 1 video ...",
        QString remote_sdp;
        Config config;
        CallMediaDouble* live = nullptr;
        int made = 0;
    };

    CallMediaDouble(Record& record, Config config) : record(record) {
        record.config = std::move(config);
        record.live = this;
        ++record.made;
    }
    ~CallMediaDouble() override {
        if (record.live == this) record.live = nullptr;
    }

    void create_offer() override {
        record.calls << "offer";
        on_local_description(samples::webrtc_description("actpass", "0", "1"));
    }
    void set_remote_offer(const QString& sdp) override {
        record.calls << "remote-offer";
        record.remote_sdp = sdp;
        // Answers with the offer's mids, as webrtcbin does.
        const QStringList mids = mids_of(sdp);
        on_local_description(
            samples::webrtc_description("active", mids.value(0), mids.value(1), mids.size() > 1));
    }
    void set_remote_answer(const QString& sdp) override {
        record.calls << "remote-answer";
        record.remote_sdp = sdp;
    }
    void add_remote_candidate(int mline, const QString& mid, const QString& candidate) override {
        record.calls << QString("candidate %1 %2 %3").arg(mline).arg(mid, candidate);
    }
    void start_sending_video() override { record.calls << "video"; }
    void stop() override { record.calls << "stop"; }

    static QStringList mids_of(const QString& sdp) {
        QStringList mids;
        for (const QString& line : sdp.split("\r\n"))
            if (line.startsWith("a=mid:")) mids << line.mid(6);
        return mids;
    }

    Record& record;
};

inline CallMediaFactory media_double_factory(CallMediaDouble::Record& record) {
    return [&record](const CallMedia::Config& config) -> std::unique_ptr<CallMedia> {
        return std::make_unique<CallMediaDouble>(record, config);
    };
}
