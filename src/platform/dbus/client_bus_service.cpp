#include "platform/dbus/client_bus_service.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include "client/client_core.h"
#include "platform/dbus/skype_bus.h"

ClientBusService::ClientBusService(ClientCore& client, const QDBusConnection& bus)
    : client_(client), bus_(bus) {
    client_.notify = [this](const QString& line) { notify(line); };
}

ClientBusService::~ClientBusService() {
    stop();
    client_.notify = nullptr;
}

bool ClientBusService::start(QString* why_not) {
    const auto fail = [why_not](const QString& reason) {
        if (why_not) *why_not = reason;
        return false;
    };
    if (!bus_.isConnected())
        return fail(QStringLiteral("no session bus: ") + bus_.lastError().message());
    if (!bus_.registerVirtualObject(skype_bus::client_path, this))
        return fail(skype_bus::client_path + QStringLiteral(" is already taken"));
    // Unqueued and not replaceable: two clients on one bus would each answer half the calls.
    if (!bus_.registerService(skype_bus::service)) {
        bus_.unregisterObject(skype_bus::client_path);
        return fail(QStringLiteral("%1 is already on the bus: another client is running")
                        .arg(skype_bus::service));
    }
    started_ = true;
    return true;
}

void ClientBusService::stop() {
    if (!started_) return;
    started_ = false;
    bus_.unregisterService(skype_bus::service);
    bus_.unregisterObject(skype_bus::client_path);
}

QString ClientBusService::introspect(const QString&) const {
    return QStringLiteral(
               "<interface name=\"%1\"><method name=\"Invoke\">"
               "<arg name=\"command\" type=\"s\" direction=\"in\"/>"
               "<arg name=\"reply\" type=\"s\" direction=\"out\"/></method></interface>"
               "<interface name=\"%2\"><method name=\"Type\">"
               "<arg name=\"keys\" type=\"s\" direction=\"in\"/></method></interface>")
        .arg(skype_bus::client_interface, skype_bus::keys_interface);
}

bool ClientBusService::handleMessage(const QDBusMessage& message,
                                     const QDBusConnection& connection) {
    if (message.type() != QDBusMessage::MethodCallMessage) return false;
    const QString interface = message.interface();
    if (interface.startsWith(QLatin1String("org.freedesktop.DBus"))) return false;
    const auto is = [&](const QString& wanted, const char* member) {
        return (interface.isEmpty() || interface == wanted) &&
               message.member() == QLatin1String(member) &&
               message.signature() == QLatin1String("s");
    };
    const QString argument =
        message.arguments().isEmpty() ? QString() : message.arguments().constFirst().toString();
    if (is(skype_bus::client_interface, "Invoke")) {
        connection.send(message.createReply(invoke(message, argument)));
    } else if (is(skype_bus::keys_interface, "Type")) {
        type(message, argument);
        if (message.isReplyRequired()) connection.send(message.createReply());
    } else {
        connection.send(message.createErrorReply(QDBusError::UnknownMethod,
                                                 QStringLiteral("No such method here")));
    }
    return true;
}

QString ClientBusService::invoke(const QDBusMessage& call, const QString& command) {
    watch(command, true);
    const QString reply = client_.handle(command);
    watch(reply, false);
    const QString untagged = command.startsWith('#') ? command.section(' ', 1) : command;
    if (untagged.section(' ', 0, 0).compare(QLatin1String("NAME"), Qt::CaseInsensitive) == 0) {
        if (!reply.contains(QLatin1String("ERROR"))) program_ = call.service();
        if (on_name) on_name(call.service(), reply);
    }
    return reply;
}

// Keys are for the dialog of the program that is attached, and for nobody else's.
void ClientBusService::type(const QDBusMessage& call, const QString& keys) {
    watch(QStringLiteral("keys: ") + keys, true);
    if (call.service() == program_) client_.type_keys(keys);
}

void ClientBusService::notify(const QString& line) {
    if (!started_ || program_.isEmpty()) return;
    watch(line, false);
    QDBusMessage call = QDBusMessage::createMethodCall(
        program_, skype_bus::program_path, skype_bus::program_interface, QStringLiteral("Notify"));
    call << line;
    call.setAutoStartService(false);
    bus_.send(call);  // no answer is awaited
}

void ClientBusService::watch(const QString& line, bool from_program) {
    if (on_traffic) on_traffic(line, from_program);
}
