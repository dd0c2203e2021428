#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "account/xmpp_account.h"
#include "jingle/call_media.h"
#include "time/lifetime.h"

class CameraOwner;
class LivePicture;
class Scheduler;
class ClientCore;
class XmppOwnerSide;
class XmppResolver;
class XmppStream;

// The chat/call client with an XMPP account on its far side: the client core the program talks
// to, the account's stream and the mapping between them. This is the production path: a real
// owner on a messenger reaches the program through it. It connects when started, says how the
// connection goes through CONNSTATUS, reconnects after a loss (at once when the network comes
// back, else after a wait that grows to a minute), and stays logged out, without retrying, when
// the account is refused, the server cannot be trusted or offers no encryption, or there is no
// account. Its timers are the scheduler's.
//
// Who sets its hooks: run/session.cpp (`on_problem`, the owner side's `call_target`, the core's
// `video_source`) and tools/vq_xmpp_client.
//
// The walk of one owner's chat line, from the server to the reply:
//
//   1. `XmppStream` (libstrophe) reads a <message type="chat" from="owner@host/phone">, weighs it
//      (size, depth) and asks `XmppOwnerSide::admits` whether it is worth parsing; a stranger's
//      stanza is dropped here, unparsed. It hands the rest, parsed, to `XmppOwnerSide::receive`.
//   2. First owner check, in `XmppOwnerSide`: the sender's bare address, as the server
//      authenticated it, must be a contact with a mutual subscription in the roster (messages
//      that come before the roster wait for it; addresses compare without regard to case).
//      Strangers stop here: no chat, no line to the program, no reply, nothing the program could
//      be tricked into answering or calling. Delayed commands older than the staleness limit
//      stop here too. The author is handed on as the program spells its call target.
//   3. `ClientCore::say` files the body as a numbered message in the owner's chat and tells the
//      program "CHATMESSAGE <id> STATUS RECEIVED" through `InProcessLink` (or the bus): at once,
//      or, while the program still has questions to ask about earlier messages, when it has
//      asked them, so a burst waits in the core instead of overrunning the program.
//   4. The program asks three questions, each answered by the core: "#605 GET CHATMESSAGE <id>
//      CHATNAME" (where to answer), "#606 ... FROM_HANDLE" (who wrote it) and "#610 ... BODY".
//   5. Second owner check, in the program (frm_testing_dispatcher.cpp): the author must be the
//      call target. The roster holds every mutual contact (family, a second phone), and only the
//      program knows which of them is its owner; the first check alone would obey them all, the
//      second alone would let any stranger's message reach the program and its replies.
//   6. The program obeys the body (frm_testing_remote_commands.cpp) and answers with
//      "CHATMESSAGE <chat> <text>"; the core files it and hands it to `XmppOwnerSide::send_line`,
//      whose `XmppOutbox` sends it in order behind a picture still uploading (for a few seconds
//      at most), or keeps it, on disk too, until the stream is back.
//
// While the program holds the thread in one of its blocking waits, the stream and the picture
// transfers go on (`Scheduler::while_blocked`); what they bring for the program waits for it.
class XmppClient {
  public:
    // `account` is what loading the account file gave; `camera` gives the live picture of a
    // call without media (it may be null: then the core's video source, the last picture the
    // program took). Lines and pictures not yet delivered are kept in `outbox_file` (in memory
    // only without). With `media`, calls carry live video and audio over Jingle instead. The
    // machine's encryption keys (its OMEMO device) are kept in `omemo_file`; without one, or with
    // the account's encryption off, nothing is encrypted.
    XmppClient(Scheduler& scheduler, XmppAccount::Loaded account, CameraOwner* camera,
               const QString& outbox_file = {}, CallMediaFactory media = {},
               const QString& omemo_file = {});
    ~XmppClient();

    void start();
    ClientCore& core() { return *core_; }
    XmppOwnerSide& owner_side() { return *owner_side_; }
    // Why the client is logged out, for the user; empty while it is not.
    const QString& problem() const { return problem_; }
    // Why the client is not online and when it tries again, for the window. The reason is empty
    // while it is online and on its first try; the time is on the scheduler's clock, and -1 while
    // it waits for the user (logged out) or is online.
    struct Offline {
        QString reason;
        qint64 retry_due_ms = -1;
    };
    Offline offline() const { return offline_; }
    std::function<void(const QString& problem)> on_problem;

    // The network came back: a client waiting to reconnect tries at once.
    void network_back();

    static constexpr int first_retry_ms = 1000;
    static constexpr int last_retry_ms = 60 * 1000;
    // The wait for the next try: doubling from the first, never over the last, and up to a
    // quarter shorter at random, so that machines behind one server do not come back in step.
    static int retry_wait_ms(int attempt, double random_0_to_1);

  private:
    void open_omemo(const QString& file);
    void watch_network();
    void connect_now();
    void connected();
    void lost(int failure, const QString& why);
    void retry_later(const QString& why);
    void give_up(const QString& why);
    // The network's work while the program holds the thread: the stream and the uploads.
    void work_while_blocked(int ms);

    Scheduler& scheduler_;
    std::optional<XmppAccount> account_;
    QString problem_;
    Offline offline_;
    QString offline_told_;  // the reason last logged as a warning: a repeat is not news
    std::unique_ptr<ClientCore> core_;
    std::unique_ptr<XmppOwnerSide> owner_side_;
    std::unique_ptr<XmppStream> stream_;
    std::unique_ptr<XmppResolver> resolver_;
    std::unique_ptr<LivePicture> live_picture_;
    int attempt_ = 0;           // failed tries since the last connection
    quint64 retry_number_ = 0;  // the pending retry's number; a new one cancels it
    bool waiting_ = false;      // for a retry
    QObject network_context_;   // ends the network watch with us
    bool blocked_ = false;      // working while the program holds the thread
    Lifetime lifetime_;
};
