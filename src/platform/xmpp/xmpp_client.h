#pragma once

#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

#include "account/xmpp_account.h"
#include "jingle/call_media.h"

class Camera;
class LivePicture;
class Scheduler;
class ClientCore;
class XmppOwnerSide;
class XmppResolver;
class XmppStream;

// The chat/call client with an XMPP account on its far side: the client core the program talks
// to, the account's stream and the mapping between them. This is the production path: a real
// owner on a messenger reaches the program through it. It connects when started, says how the
// connection goes through CONNSTATUS, reconnects after a loss, and stays logged out, without
// retrying, when the account is refused or missing.
//
// The walk of one owner's chat line, from the server to the reply:
//
//   1. `XmppStream` (libstrophe) reads a <message type="chat" from="owner@host/phone"> and hands
//      it, parsed, to `XmppOwnerSide::receive`.
//   2. First owner check, in `XmppOwnerSide`: the sender's bare address, as the server
//      authenticated it, must be a contact with a mutual subscription in the roster (messages
//      that come before the roster wait for it). Strangers stop here: no chat, no line to the
//      program, no reply, nothing the program could be tricked into answering or calling.
//      Delayed commands older than the staleness limit stop here too.
//   3. `ClientCore::say` files the body as a numbered message in the owner's chat and tells the
//      program "CHATMESSAGE <id> STATUS RECEIVED" through `InProcessLink` (or the bus).
//   4. The program asks three questions, each answered by the core: "#605 GET CHATMESSAGE <id>
//      CHATNAME" (where to answer), "#606 ... FROM_HANDLE" (who wrote it) and "#610 ... BODY".
//   5. Second owner check, in the program (frm_testing_dispatcher.cpp): the author must be the
//      call target. The roster holds every mutual contact (family, a second phone), and only the
//      program knows which of them is its owner; the first check alone would obey them all, the
//      second alone would let any stranger's message reach the program and its replies.
//   6. The program obeys the body (frm_testing_remote_commands.cpp) and answers with
//      "CHATMESSAGE <chat> <text>"; the core files it and hands it to `XmppOwnerSide::send_line`,
//      which queues it in order behind any picture still uploading and sends it on the stream.
class XmppClient {
  public:
    // `account` is what loading the account file gave; `camera` gives the live picture of a
    // call without media (it may be null: then the core's video source, the last picture the
    // program took). With `media`, calls carry live video and audio over Jingle instead.
    XmppClient(Scheduler& scheduler, XmppAccount::Loaded account, Camera* camera,
               CallMediaFactory media = {});
    ~XmppClient();

    void start();
    ClientCore& core() { return *core_; }
    XmppOwnerSide& owner_side() { return *owner_side_; }
    // Why the client is logged out, for the user; empty while it is not.
    const QString& problem() const { return problem_; }
    std::function<void(const QString& problem)> on_problem;

    static constexpr int first_retry_ms = 1000;
    static constexpr int last_retry_ms = 5 * 60 * 1000;

  private:
    void connect_now();
    void connected();
    void lost(int failure, const QString& why);
    void retry_later(const QString& why);
    void give_up(const QString& why);

    std::optional<XmppAccount> account_;
    QString problem_;
    std::unique_ptr<ClientCore> core_;
    std::unique_ptr<XmppOwnerSide> owner_side_;
    std::unique_ptr<XmppStream> stream_;
    std::unique_ptr<XmppResolver> resolver_;
    std::unique_ptr<LivePicture> live_picture_;
    QTimer retry_;
    int retry_ms_ = first_retry_ms;
};
