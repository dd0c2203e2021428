#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>

class Scheduler;

// What the machine sends its contacts, in the order it made it: chat lines, alarm pictures, call
// messages. An alarm must reach the owner however the server behaves, so nothing is dropped when
// the stream is down: lines and pictures wait here (and in a file, so that a restart of the
// program keeps them too), pictures are uploaded once the stream is back, and a picture that
// cannot be sent after all becomes a line that says why.
//
// A picture keeps its place while it uploads, so the phone shows it before the call that follows
// rings; but only for `hold_ms`: a picture whose upload hangs never holds the lines behind it.
// What leaves late (made while the stream was down, or long before) carries the moment it was
// made (a delay stamp), a late alarm picture comes with a line that says when it was taken, and
// a call proposal older than the ring time is not sent: the call is over, and the phone must not
// ring for it.
class XmppOutbox {
  public:
    // Puts a picture on the server (XmppUpload on a real stream).
    class Uploader {
      public:
        // `retry` when the failure may pass (no answer, a lost connection); otherwise the server
        // refused, and would refuse again.
        using Done = std::function<void(const QString& url, const QString& problem, bool retry)>;
        // Turns the file's bytes into what is uploaded instead (as application/octet-stream);
        // nullopt when it cannot. Unset: the file goes as it is.
        using Seal = std::function<std::optional<QByteArray>(const QByteArray& file)>;
        virtual ~Uploader() = default;
        virtual void upload(const QString& path, const Seal& seal, Done done) = 0;
        // The stream the uploads used is gone: what they were waiting for will not come, and
        // nothing more is reported for them.
        virtual void abandon() = 0;
    };

    // Whether and how what goes to one contact is encrypted end to end (XmppOmemo); without one
    // everything goes plain.
    class Privacy {
      public:
        // wait: not yet known (what goes to the contact waits, in order); plain; or sealed:
        // lines go encrypted, pictures are uploaded sealed and their addresses sent encrypted.
        enum class Route { wait, plain, sealed };
        virtual ~Privacy() = default;
        virtual Route route(const QString& to) = 0;
        // The message that carries `body` to `to` encrypted; empty when it cannot be made.
        virtual QString sealed_message(const QString& to, const QString& body) = 0;
    };

    // `ring_ms` says how long the program lets its calls ring.
    XmppOutbox(Scheduler& scheduler, Uploader& uploader, std::function<qint64()> ring_ms);
    ~XmppOutbox();
    XmppOutbox(const XmppOutbox&) = delete;
    XmppOutbox& operator=(const XmppOutbox&) = delete;

    // Set by XmppOwnerSide, which sends onto its stream.
    std::function<void(const QString& stanza)> send;  // onto the stream, which is up
    // Proposals name audio besides video: the calls carry media.
    bool media_calls = false;
    // Set once, before anything is sent; `privacy` outlives the outbox.
    void set_privacy(Privacy* privacy) { privacy_ = privacy; }
    // What the privacy knows changed: what waited for it may go.
    void privacy_changed();
    // Keeps what waits in `file` from now on, taking up what an earlier run left there.
    void keep_in(const QString& file);

    void stream_up();
    void stream_down();

    void line(const QString& to, const QString& body);
    // A line about the moment (a call, a live picture) that is not kept across a restart.
    void notice(const QString& to, const QString& body);
    // `then` runs once the picture's first upload has ended, whatever came of it.
    void picture(const QString& to, const QString& path, std::function<void()> then = {});
    // A Jingle Message Initiation element (propose, ringing, proceed, reject, retract, finish).
    void call(const QString& to, const QString& action, const QString& sid);
    // Any other message, in its place; not kept across a restart.
    void stanza(const QString& stanza);

    std::size_t waiting() const { return entries_.size(); }

    static constexpr std::size_t limit = 100;        // kept while the stream is down
    static constexpr std::size_t held_limit = 5000;  // held a moment while it is up
    static constexpr int hold_ms = 5'000;
    static constexpr qint64 late_ms = 10'000;
    static constexpr int retry_ms = 30'000;
    static constexpr int most_tries = 5;
    static constexpr qint64 default_ring_ms = 60'000;

  private:
    enum class Kind { line, notice, picture, call, stanza };
    enum class State { waiting, uploading, uploaded };
    struct Entry {
        Kind kind = Kind::line;
        QString to;
        QString text;  // the body, the picture's path, the call's action, or the stanza
        QString sid;   // a call's session
        QDateTime made;
        bool waited = false;  // made while the stream was down: it leaves late, however soon
        int tries = 0;
        State state = State::waiting;
        QString url;
        QByteArray iv, key;  // of a picture uploaded sealed
        qint64 hold_until = 0;
        qint64 not_before = 0;
        quint64 number = 0;
        std::function<void()> then;
    };

    void add(Kind kind, const QString& to, const QString& text, const QString& sid = {},
             std::function<void()> then = {});
    void flush();
    std::deque<Entry>::iterator next_to_send();
    Privacy::Route route(const Entry& entry) const;
    // The stanzas that send the entry (none for a call too old to ring); nullopt when its
    // encrypted message cannot be made now: it waits.
    std::optional<QStringList> compose(const Entry& entry);
    QString message(const QString& to, const QString& body, Privacy::Route route) const;
    void seal_with(quint64 number, Uploader::Seal& seal);
    void start_uploads();
    void uploaded(quint64 number, const QString& url, const QString& problem, bool retry);
    void later(qint64 ms, void (XmppOutbox::*what)());
    Entry* find(quint64 number);
    bool cancels_unsent_proposal(const QString& action, const QString& sid);
    QDateTime now() const;

    void load();
    void save();

    Scheduler& scheduler_;
    Uploader& uploader_;
    Privacy* privacy_ = nullptr;
    std::function<qint64()> ring_ms_;
    QString store_file_;
    std::deque<Entry> entries_;
    std::set<QString> unrung_;  // calls whose proposal was never sent
    bool up_ = false;
    bool flushing_ = false;
    quint64 next_number_ = 1;
    std::size_t dropped_ = 0;
    bool save_failed_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
