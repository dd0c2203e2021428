#include "platform/dbus/notify_receiver.h"

#include <QDBusConnection>
#include <QDBusMessage>

#include "platform/dbus/skype_bus.h"

NotifyReceiver::NotifyReceiver(Handler on_line) : on_line_(std::move(on_line)) {}

QString NotifyReceiver::introspect(const QString&) const {
    return QStringLiteral(
               "<interface name=\"%1\"><method name=\"Notify\">"
               "<arg name=\"line\" type=\"s\" direction=\"in\"/></method></interface>")
        .arg(skype_bus::program_interface);
}

bool NotifyReceiver::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    if (message.type() != QDBusMessage::MethodCallMessage) return false;
    // The bus's own interfaces (introspection, peer) are answered by Qt.
    if (message.interface().startsWith(QLatin1String("org.freedesktop.DBus"))) return false;
    if (message.member() != QLatin1String("Notify") || message.signature() != QLatin1String("s")) {
        connection.send(message.createErrorReply(
            QDBusError::UnknownMethod, QStringLiteral("Only Notify(s) is answered here")));
        return true;
    }
    on_line_(message, message.arguments().constFirst().toString());
    if (message.isReplyRequired()) connection.send(message.createReply());
    return true;
}
