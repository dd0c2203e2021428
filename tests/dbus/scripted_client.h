#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <functional>

#include "platform/dbus/skype_bus.h"

// A client on the bus whose every answer the test writes: it holds the client's well-known name
// and object, and hands each call to `on_call`, which replies (or not) as it likes.
class ScriptedClient : public QDBusVirtualObject {
  public:
    explicit ScriptedClient(QDBusConnection bus) : bus_(std::move(bus)) {
        started_ = bus_.registerVirtualObject(skype_bus::client_path, this) &&
                   bus_.registerService(skype_bus::service);
    }
    ~ScriptedClient() override {
        bus_.unregisterService(skype_bus::service);
        bus_.unregisterObject(skype_bus::client_path);
    }

    bool started() const { return started_; }
    // Calls the program's Notify(s) under the interface given (which may be empty).
    void notify(const QString& program, const QString& line, const QString& interface) {
        bus_.send(notify_call(program, line, interface));
    }
    // That call, which anyone on the bus could make.
    static QDBusMessage notify_call(const QString& program, const QString& line,
                                    const QString& interface) {
        QDBusMessage call = QDBusMessage::createMethodCall(program, skype_bus::program_path,
                                                           interface, QStringLiteral("Notify"));
        call << line;
        return call;
    }

    std::function<void(const QDBusMessage& call, QDBusConnection& bus)> on_call;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
        if (message.type() != QDBusMessage::MethodCallMessage ||
            message.interface().startsWith(QLatin1String("org.freedesktop.DBus")))
            return false;
        if (on_call) on_call(message, bus_);
        return true;
    }

  private:
    QDBusConnection bus_;
    bool started_ = false;
};
