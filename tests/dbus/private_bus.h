#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>

// A session bus of the test's own: a bus daemon started for it and ended with it, so tests
// never meet each other's names nor the user's desktop.
class PrivateBus {
  public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool running() const { return !address_.isEmpty(); }
    const QString& address() const { return address_; }
    // A new connection of this process to the bus, as another program would have.
    QDBusConnection connect();
    // Drops one of those connections, as the end of that program would.
    void disconnect(const QDBusConnection& connection);
    // Waits until a chat client (a program the test started) holds its name on the bus.
    bool wait_for_client();

  private:
    QProcess daemon_;
    QString address_;
    QStringList names_;
};
