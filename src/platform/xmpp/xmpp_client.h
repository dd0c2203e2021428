#pragma once

#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

#include "windows/xmpp_account.h"

class Camera;
class LivePicture;
class Scheduler;
class SimulatedClient;
class XmppOwnerSide;
class XmppResolver;
class XmppStream;

// The chat/call client with an XMPP account on its far side: the client core the program talks
// to, the account's stream and the mapping between them. It connects when started, says how
// the connection goes through CONNSTATUS, reconnects after a loss (1 s, doubling to 5 minutes),
// and stays logged out, without retrying, when the account is refused or missing.
class XmppClient {
  public:
    // `account` is what loading the account file gave; `camera` gives the live picture of a
    // call (it may be null: then the core's video source, the last picture the program took).
    XmppClient(Scheduler& scheduler, XmppAccount::Loaded account, Camera* camera);
    ~XmppClient();

    void start();
    SimulatedClient& core() { return *core_; }
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
    std::unique_ptr<SimulatedClient> core_;
    std::unique_ptr<XmppOwnerSide> owner_side_;
    std::unique_ptr<XmppStream> stream_;
    std::unique_ptr<XmppResolver> resolver_;
    std::unique_ptr<LivePicture> live_picture_;
    QTimer retry_;
    int retry_ms_ = first_retry_ms;
};
