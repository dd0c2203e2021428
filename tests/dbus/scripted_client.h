#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <functional>

// A client on the bus whose every answer the test writes: it holds the client's well-known name
// and object, and hands each call to `on_call`, which replies (or not) as it likes.
class ScriptedClient : public QDBusVirtualObject {
  public:
    explicit ScriptedClient(QDBusConnection bus);
    ~ScriptedClient() override;

    bool started() const { return started_; }
    // Calls the program's Notify(s) under the interface given (which may be empty).
    void notify(const QString& program, const QString& line, const QString& interface);
    // That call, which anyone on the bus could make.
    static QDBusMessage notify_call(const QString& program, const QString& line,
                                    const QString& interface);

    std::function<void(const QDBusMessage& call, QDBusConnection& bus)> on_call;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

  private:
    QDBusConnection bus_;
    bool started_ = false;
};
