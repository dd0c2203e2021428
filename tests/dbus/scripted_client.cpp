#include "scripted_client.h"

#include "platform/dbus/skype_bus.h"

ScriptedClient::ScriptedClient(QDBusConnection bus) : bus_(std::move(bus)) {
    started_ = bus_.registerVirtualObject(skype_bus::client_path, this) &&
               bus_.registerService(skype_bus::service);
}

ScriptedClient::~ScriptedClient() {
    bus_.unregisterService(skype_bus::service);
    bus_.unregisterObject(skype_bus::client_path);
}

void ScriptedClient::notify(const QString& program, const QString& line, const QString& interface) {
    bus_.send(notify_call(program, line, interface));
}

QDBusMessage ScriptedClient::notify_call(const QString& program, const QString& line,
                                         const QString& interface) {
    QDBusMessage call = QDBusMessage::createMethodCall(program, skype_bus::program_path, interface,
                                                       QStringLiteral("Notify"));
    call << line;
    return call;
}

bool ScriptedClient::handleMessage(const QDBusMessage& message, const QDBusConnection&) {
    if (message.type() != QDBusMessage::MethodCallMessage ||
        message.interface().startsWith(QLatin1String("org.freedesktop.DBus")))
        return false;
    if (on_call) on_call(message, bus_);
    return true;
}
