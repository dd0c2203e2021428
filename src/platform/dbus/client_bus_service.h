#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <functional>

class ClientCore;

// A client core (simulated, or an XMPP account's) as the chat/call client on the bus: `Invoke(s) ->
// s` on /com/Skype takes command lines, `Type(s)` (our keystroke interface) takes the keys for the
// file-sending dialog, and every notification goes to the `Notify(s)` of the program that named
// itself last.
//
// A reply always reaches the program ahead of the notifications its command causes: the reply
// goes out before `handleMessage` returns, while the client only ever notifies from later events
// of its own, and the bus keeps the order of what one sender sends.
class ClientBusService : public QDBusVirtualObject {
  public:
    ClientBusService(ClientCore& client, const QDBusConnection& bus);
    ~ClientBusService() override;

    // Puts the client on the bus under its well-known name; false, with the reason, when the bus
    // cannot be reached or another client holds the name.
    bool start(QString* why_not = nullptr);
    // Leaves the bus, as a client that quits does.
    void stop();

    // The unique bus name of the program whose NAME was accepted last; empty before.
    const QString& program() const { return program_; }

    // Who sets its hooks: vq-skype-sim, which shows the traffic and the program's name; the
    // XMPP client tool leaves them unset.
    //
    // Every line in the program's terms: commands and keys it sent ("keys: ..."), replies and
    // notifications it is sent.
    std::function<void(const QString& line, bool from_program)> on_traffic;
    // After each NAME, with the sender and the reply it got.
    std::function<void(const QString& sender, const QString& reply)> on_name;

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

  private:
    QString invoke(const QDBusMessage& call, const QString& command);
    void type(const QDBusMessage& call, const QString& keys);
    void notify(const QString& line);
    void watch(const QString& line, bool from_program);

    ClientCore& client_;
    QDBusConnection bus_;
    bool started_ = false;
    QString program_;
};
