#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "client/far_side.h"
#include "client/file_send_dialog.h"
#include "time/lifetime.h"

class Scheduler;

// Who the client's user is, whom they know, and which version the client says it is.
struct ClientCoreOptions {
    QString own_handle = QStringLiteral("vq.camera");
    QString owner = QStringLiteral("vq.owner");
    QStringList other_contacts = {QStringLiteral("alice.next.door"), QStringLiteral("echo123")};
    QString version = QStringLiteral("2.0.0.105");
};

// The chat/call client at the other end of the link: the one the program talks to in every mode.
// Its far side decides who the people are: with none, it plays its contacts itself (the simulated
// client of the demo and the tests, its owner at a console or window); with an XMPP account's
// `XmppOwnerSide`, the people are real and this is the production path (see xmpp_client.h for
// the walk of one owner's line). It keeps the machine's own account with a contact list, chats
// named
// "#creator/$partner;<16 hex>", numbered messages and calls, tagged replies, calls that ring,
// are answered, refused, cancelled or fail, video, the file-sending dialog, logging out.
//
// The machine's side talks the text protocol: `handle` takes one command line and returns its
// reply; every other line reaches the machine through `notify`, always from an event of its own
// on the scheduler, never from inside `handle`, so a transport can deliver the reply first.
// The people at the other end (the owner above all) act through the methods of the second half.
class ClientCore {
  public:
    using Options = ClientCoreOptions;

    // What one contact has seen of the machine.
    struct ContactView {
        QStringList lines;   // chat lines from the machine, in order
        QStringList files;   // paths of the files the machine sent
        bool video = false;  // the machine's camera is showing in a call with this contact
    };

    enum class CallStatus {
        unplaced,
        routing,
        ringing,
        inprogress,
        finished,
        cancelled,
        refused,
        failed
    };

    struct Call {
        QString id;
        QString partner;
        bool incoming = false;  // rung by the contact, to the machine
        CallStatus status = CallStatus::unplaced;
        int failure_reason = 0;
        bool video_send = false;
        qint64 answered_ms = -1;
    };

    ClientCore(Scheduler& scheduler, Options options = {});
    ~ClientCore();

    // ---- the machine's side
    QString handle(const QString& command);
    // Keys for the file-sending dialog; they go nowhere when it is not open.
    void type_keys(const QString& keys);
    // Set by the link the machine talks through: InProcessLink or ClientBusService.
    std::function<void(const QString& line)> notify;
    int login_status() const;  // 1 online, 2 logged out (the link's codes)
    // Where the video the machine sends comes from (its camera); an empty picture without it.
    // Set by the run (Session), from the demo scene's second view or the camera picture.
    std::function<QImage()> video_source;

    // ---- the client itself
    void log_out();
    void log_in();
    // Whether the user lets programs attach ("NAME" answered "OK" or "ERROR 68").
    void set_access_allowed(bool allowed) { access_allowed_ = allowed; }
    // Hands the contacts to a real network; null gives them back to the local side.
    void set_far_side(FarSide* far_side) { far_side_ = far_side; }
    // The connection as CONNSTATUS names it (ONLINE, CONNECTING, OFFLINE, LOGGEDOUT), announced
    // to the machine. Commands are taken in all but LOGGEDOUT: a far side queues what it cannot
    // send yet.
    void set_connection(const QString& status);
    const QString& connection() const { return connection_; }

    // ---- the people at the other end; an empty handle means the owner
    void say(const QString& text, const QString& from = {});
    QString call_machine(const QString& from = {});
    // Answers, refuses or ends the contact's current call; false when there is none to act on.
    bool answer(const QString& who = {});
    // The contact's device rings for the machine's call (a call still routing starts ringing).
    bool ringing(const QString& who = {});
    bool refuse(const QString& who = {});
    bool hang_up(const QString& who = {});
    const ContactView& seen_by(const QString& who = {}) const;
    const Call* current_call(const QString& who = {}) const;
    QImage video_frame(const QString& who = {}) const;
    // Everything that happens at the other end, as one line of text each, for a face to show:
    // set by that face, the owner console or the owner window.
    std::function<void(const QString& who, const QString& event)> on_contact_event;

    // Announced to the machine but not yet asked about: more wait in the core meanwhile, so a
    // burst never outruns the machine's table of messages it is asking about. A message the
    // machine never asks about stops counting after the wait.
    static constexpr std::size_t announced_limit = 8;
    static constexpr int question_wait_ms = 10'000;
    // Beyond this many waiting, a contact's lines are refused and logged: a flood, not commands.
    static constexpr std::size_t held_limit = 10'000;

    const Options& options() const { return options_; }
    QStringList contacts() const;
    static QString status_name(CallStatus status);

  private:
    struct ChatMessage {
        QString id, chat, from, body, status;
    };

    QString reply_to(const QString& command);
    QString get(const QStringList& words, const QString& command);
    QString get_call(const QStringList& words);
    QString get_chat_message(const QStringList& words);
    QString set(const QStringList& words);
    QString alter_call(const QStringList& words);
    QString place_call(const QString& target);
    QString send_chat_message(const QString& command);
    QString open(const QStringList& words, const QString& command);
    QString search(const QStringList& words);

    QString who_or_owner(const QString& who) const { return who.isEmpty() ? options_.owner : who; }
    bool is_contact(const QString& handle) const;
    bool is_online(const QString& handle) const;
    QString chat_between(const QString& creator, const QString& partner);
    QString next_id();
    Call* find_call(const QString& id);
    Call* contacts_call(const QString& who);
    void set_status(Call& call, CallStatus status);
    void end_call(Call& call, CallStatus status);
    void set_video(Call& call, bool on);
    void deliver_file();
    void announce_held();
    void asked_about(const QString& id);

    void emit_line(const QString& line, int delay_ms = 0);
    void notify_now(const QString& line);
    void later(int delay_ms, std::function<void()> action);
    void tell(const QString& who, const QString& event);
    void far_call_event(const Call& call, FarSide::CallEvent event);

    Scheduler& scheduler_;
    Options options_;
    bool logged_in_ = true;
    QString connection_ = QStringLiteral("ONLINE");
    FarSide* far_side_ = nullptr;
    bool access_allowed_ = true;
    bool attached_ = false;
    int next_id_ = 101;
    std::map<QString, ChatMessage> messages_;
    std::deque<QString> held_;     // received, not yet announced, oldest first
    std::set<QString> announced_;  // announced, not yet asked about
    QStringList chats_;
    std::map<QString, Call> calls_;
    std::map<QString, ContactView> views_;
    std::unique_ptr<FileSendDialog> dialog_;
    // Events still queued when the client goes away must not touch it.
    Lifetime lifetime_;
};
