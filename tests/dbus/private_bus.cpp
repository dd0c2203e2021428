#include "private_bus.h"

#include <QDeadlineTimer>

namespace {
int buses_started = 0;
}

PrivateBus::PrivateBus() {
    daemon_.setProgram(QStringLiteral("dbus-daemon"));
    daemon_.setArguments({QStringLiteral("--session"), QStringLiteral("--nofork"),
                          QStringLiteral("--print-address")});
    daemon_.start();
    if (!daemon_.waitForStarted(10'000)) return;
    const QDeadlineTimer deadline(10'000);
    while (!daemon_.canReadLine() && !deadline.hasExpired())
        daemon_.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    ++buses_started;
}

PrivateBus::~PrivateBus() {
    for (const QString& name : names_) QDBusConnection::disconnectFromBus(name);
    daemon_.terminate();
    if (!daemon_.waitForFinished(5'000)) daemon_.kill();
    daemon_.waitForFinished(5'000);
}

QDBusConnection PrivateBus::connect() {
    // Connection names are the process's own, so they must differ from bus to bus.
    const QString name = QStringLiteral("bus%1-connection%2").arg(buses_started).arg(names_.size());
    names_.append(name);
    return QDBusConnection::connectToBus(address_, name);
}

void PrivateBus::disconnect(const QDBusConnection& connection) {
    QDBusConnection::disconnectFromBus(connection.name());
}
