#pragma once

#include <QByteArray>
#include <QStringList>
#include <functional>
#include <memory>

#include "child_process.h"
#include "platform/call/gst_call_media.h"

// The phone's media (webrtc_peer.py) in a child process, and a call between it and the
// program's GstCallMedia with the test passing descriptions and candidates between them, as
// the Jingle session does in the program.
class MediaPeer {
  public:
    explicit MediaPeer(const QStringList& arguments = {})
        : process_(QStringLiteral("/usr/bin/python3"),
                   QStringList{QStringLiteral(VQ_WEBRTC_PEER)} + arguments, {}) {}
    ~MediaPeer() {
        command(QStringLiteral("quit"));
        process_.finish(3'000);
    }

    void command(const QString& line) { process_.process.write((line + '\n').toUtf8()); }
    // Gone without a word, as a phone that lost its network or was switched off.
    void vanish() { process_.process.kill(); }
    // Hands each new complete line, split at blanks, to `handle`.
    void read(const std::function<void(const QStringList&)>& handle) {
        const qsizetype end = process_.output.lastIndexOf('\n');
        if (end < read_) return;
        const QString fresh = process_.output.mid(read_, end - read_);
        read_ = end + 1;
        for (const QString& line : fresh.split('\n', Qt::SkipEmptyParts)) handle(line.split(' '));
    }
    QStringList lines() const { return process_.output.split('\n', Qt::SkipEmptyParts); }
    QString errors() const { return process_.errors; }

  private:
    ChildProcess process_;
    qsizetype read_ = 0;
};

// A picture the phone decoded: its size, mean brightness and, where the sender stamped it, how
// long it took to arrive.
struct PeerFrame {
    QString size;
    double mean = 0;
    int delay_ms = -1;
};

class MediaCall {
  public:
    // Changes the peer's description on its way to the program (a test's man in the middle).
    std::function<QString(const QString&)> tamper = [](const QString& sdp) { return sdp; };

    MediaCall(CallMedia::Config config, CallPictures pictures,
              const QStringList& peer_arguments = {})
        : MediaCall(std::make_unique<GstCallMedia>(std::move(config), std::move(pictures)),
                    peer_arguments) {}
    MediaCall(std::unique_ptr<CallMedia> call_media, const QStringList& peer_arguments)
        : peer(peer_arguments), media(std::move(call_media)) {
        media->on_local_description = [this](const QString& sdp) {
            peer.command(QStringLiteral("remote %1 %2")
                             .arg(machine_offers_ ? "offer" : "answer",
                                  QString::fromLatin1(sdp.toUtf8().toBase64())));
        };
        media->on_local_candidate = [this](int mline, const QString&, const QString& candidate) {
            if (!candidate.isEmpty())
                peer.command(QStringLiteral("candidate %1 %2").arg(mline).arg(candidate));
        };
        media->on_connected = [this] { connected = true; };
        media->on_failed = [this](const QString& reason) { failure = reason; };
    }

    // The machine calls (it offers) or the phone does.
    void start(bool machine_offers) {
        machine_offers_ = machine_offers;
        if (machine_offers)
            media->create_offer();
        else
            peer.command(QStringLiteral("offer"));
    }
    // Passes what the peer said on to the program and collects its pictures.
    void pump() {
        peer.read([this](const QStringList& words) {
            if (words[0] == QLatin1String("sdp")) {
                const QString sdp =
                    tamper(QString::fromUtf8(QByteArray::fromBase64(words.value(2).toLatin1())));
                if (words[1] == QLatin1String("offer"))
                    media->set_remote_offer(sdp);
                else
                    media->set_remote_answer(sdp);
            } else if (words[0] == QLatin1String("candidate")) {
                media->add_remote_candidate(words[1].toInt(), {}, words.mid(2).join(' '));
            } else if (words[0] == QLatin1String("frame")) {
                frames.push_back({words.value(2), words.value(3).toDouble(),
                                  words.size() > 4 ? words[4].toInt() : -1});
            } else if (words[0] == QLatin1String("audio")) {
                audio_packets = words[1].toInt();
            }
        });
    }
    bool wait(const std::function<bool()>& condition, int limit_ms = 20'000) {
        return wait_until(
            [&] {
                pump();
                return condition();
            },
            limit_ms);
    }
    bool wait_connected(int limit_ms = 20'000) {
        return wait([this] { return connected || !failure.isEmpty(); }, limit_ms) && connected;
    }
    // The frames that came after the first `from`.
    std::vector<PeerFrame> frames_since(size_t from) const {
        return {frames.begin() + qsizetype(std::min(from, frames.size())), frames.end()};
    }

    MediaPeer peer;
    std::unique_ptr<CallMedia> media;
    bool connected = false;
    QString failure;
    std::vector<PeerFrame> frames;
    int audio_packets = 0;

  private:
    bool machine_offers_ = false;
};
