#pragma once

#include <QDBusVirtualObject>
#include <functional>

// The program's object on the bus, where the client delivers its notification lines through
// `Notify(s)`. Clients differ in the interface they name on that call, so any is accepted.
class NotifyReceiver : public QDBusVirtualObject {
  public:
    using Handler = std::function<void(const QDBusMessage& call, const QString& line)>;

    explicit NotifyReceiver(Handler on_line);

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

  private:
    Handler on_line_;
};
