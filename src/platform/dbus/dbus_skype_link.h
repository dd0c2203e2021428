#pragma once

#include <QDBusConnection>
#include <QObject>
#include <memory>
#include <vector>

#include "seams/keystrokes.h"
#include "seams/skype_link.h"
#include "time/lifetime.h"

class NotifyReceiver;
class QDBusMessage;
class Scheduler;

// The program's link to the chat/call client on the session bus. Commands go out as calls of the
// client's `Invoke(s) -> s`; the client's lines come back through our `Notify(s)`. No call is
// ever waited for: each reply, once it arrives, is one more line for the program, in the order
// replies and notifications reached us, each handled as an event of the program's one thread.
//
// The link follows the client's presence on the bus: while it is away the user counts as logged
// out, and when it comes back the link attaches again as `Connect` did.
class DBusSkypeLink : public QObject, public SkypeLink, public Keystrokes {
  public:
    explicit DBusSkypeLink(Scheduler& scheduler, const QDBusConnection& bus = session_bus());
    ~DBusSkypeLink() override;

    void Connect(int value) override;
    void SendCommand(const QString& command) override;
    // 2 while the client (or the bus itself) is away or the last connection or user status the
    // client told was LOGGEDOUT; 1 otherwise.
    int LoginStatus() const override;
    // Hands the keys to the client's file-sending dialog through its `Type(s)`; a client without
    // that method gets none.
    void send_keys(const QString& keys) override;

    // A connection of the link's own to the session bus. The shared one that Qt makes from the
    // main thread holds back incoming calls (our notifications) until the event loop runs, and a
    // later call has been seen to overtake one held back; our own delivers them in order.
    static QDBusConnection session_bus();

    // Whether the client is on the bus, as far as the link has heard: not known at first.
    enum class Presence { unknown, present, absent };
    Presence presence() const { return presence_; }

  private:
    void attach();
    void ask_for_owner();
    void owner_changed(const QString& new_owner);
    void call_client(const QString& interface, const QString& method, const QString& argument);
    void notification_arrived(const QDBusMessage& call, const QString& line);
    void arrived(const QString& line);
    void hold(const QString& sender, const QString& line);
    void release_held();
    void deliver(const QString& line);
    void report(const LinkEvent& event);

    Scheduler& scheduler_;
    QDBusConnection bus_;
    std::unique_ptr<NotifyReceiver> receiver_;
    bool registered_ = false;  // our object is on the bus (one link per connection)
    Presence presence_ = Presence::unknown;
    QString owner_;  // the client's unique name on the bus, once known
    bool owner_changes_seen_ = false;
    bool connect_asked_ = false;  // Connect was called: attach again whenever the client returns
    bool logged_out_ = false;     // as the last CONNSTATUS or USERSTATUS line said
    // Lines that came before the link knew who the client is, in order, with their sender (empty
    // for replies, which only the client can give). A few hundred at most: more are dropped.
    struct HeldLine {
        QString sender, line;
    };
    static constexpr size_t most_held = 256;
    std::vector<HeldLine> held_;
    // Lines still queued when the link goes away must not touch it.
    Lifetime lifetime_;
};
