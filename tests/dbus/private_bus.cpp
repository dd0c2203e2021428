#include "private_bus.h"

#include <QDBusConnectionInterface>
#include <QDeadlineTimer>

#include "platform/dbus/skype_bus.h"
#include "wait_until.h"

PrivateBus::PrivateBus() {
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"),
                   QStringLiteral("--print-address")});
    if (!daemon_.waitForStarted(10'000)) return;
    const QDeadlineTimer deadline(10'000);
    while (!daemon_.canReadLine() && !deadline.hasExpired())
        daemon_.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
}

PrivateBus::~PrivateBus() {
    for (const QString& name : names_) QDBusConnection::disconnectFromBus(name);
    daemon_.terminate();
    if (!daemon_.waitForFinished(5'000)) daemon_.kill();
    daemon_.waitForFinished(5'000);
}

QDBusConnection PrivateBus::connect() {
    // Connection names are the process's own; the address (which holds the bus's guid) keeps
    // them apart from bus to bus.
    names_.append(address_ + QStringLiteral("#%1").arg(names_.size()));
    return QDBusConnection::connectToBus(address_, names_.last());
}

void PrivateBus::disconnect(const QDBusConnection& connection) {
    QDBusConnection::disconnectFromBus(connection.name());
}

bool PrivateBus::wait_for_client() {
    return wait_until([this] {
        QDBusConnection connection = connect();
        const bool there = connection.interface()->isServiceRegistered(skype_bus::service);
        disconnect(connection);
        return there;
    });
}
