#include "platform/dbus/dbus_skype_link.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>

#include "log/categories.h"
#include "platform/dbus/notify_receiver.h"
#include "platform/dbus/skype_bus.h"
#include "time/scheduler.h"

namespace {
const QString bus_daemon = QStringLiteral("org.freedesktop.DBus");
const QString bus_daemon_path = QStringLiteral("/org/freedesktop/DBus");

bool says_logged_out(const QString& line) {
    return line == QLatin1String("CONNSTATUS LOGGEDOUT") ||
           line == QLatin1String("USERSTATUS LOGGEDOUT");
}
bool tells_status(const QString& line) {
    return line.startsWith(QLatin1String("CONNSTATUS ")) ||
           line.startsWith(QLatin1String("USERSTATUS "));
}
}  // namespace

DBusSkypeLink::DBusSkypeLink(Scheduler& scheduler, const QDBusConnection& bus)
    : scheduler_(scheduler),
      bus_(bus),
      receiver_(
          std::make_unique<NotifyReceiver>([this](const QDBusMessage& call, const QString& line) {
              notification_arrived(call, line);
          })) {
    if (!bus_.isConnected()) {
        presence_ = Presence::absent;
        return;
    }
    registered_ = bus_.registerVirtualObject(skype_bus::program_path, receiver_.get());
    // The watch is set up before the first question, so no change can fall between the two.
    auto* watcher = new QDBusServiceWatcher(skype_bus::service, bus_,
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& new_owner) {
                owner_changed(new_owner);
            });
    ask_for_owner();
}

QDBusConnection DBusSkypeLink::session_bus() {
    return QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("vq-link"));
}

DBusSkypeLink::~DBusSkypeLink() {
    lifetime_.end();
    if (registered_) bus_.unregisterObject(skype_bus::program_path);
}

void DBusSkypeLink::Connect(int) {
    connect_asked_ = true;
    attach();
}

void DBusSkypeLink::attach() {
    SendCommand(QStringLiteral("NAME VideoQuelm"));
    SendCommand(QStringLiteral("PROTOCOL 5"));
}

void DBusSkypeLink::SendCommand(const QString& command) {
    call_client(skype_bus::client_interface, QStringLiteral("Invoke"), command);
}

int DBusSkypeLink::LoginStatus() const {
    const bool away = presence_ == Presence::absent || !bus_.isConnected();
    return away || logged_out_ ? logged_out : 1;
}

void DBusSkypeLink::send_keys(const QString& keys) {
    call_client(skype_bus::keys_interface, QStringLiteral("Type"), keys);
}

// Failures of the bus itself (no client on it, no answer in time, a client without the method)
// are not lines the client wrote, so they are dropped here and only shown to the watcher: a
// made-up "ERROR" line with a command's tag would read to the program as the client's answer to
// it. The program waits for nothing, and the login status tells it when the client is gone. The
// client's own refusals ("ERROR 68" and the like) are ordinary replies and do reach it.
void DBusSkypeLink::call_client(const QString& interface, const QString& method,
                                const QString& argument) {
    QDBusMessage call = QDBusMessage::createMethodCall(skype_bus::service, skype_bus::client_path,
                                                       interface, method);
    call << argument;
    call.setAutoStartService(false);  // the user runs the client; we never start one
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    const bool is_command = interface == skype_bus::client_interface;
    connect(
        watcher, &QDBusPendingCallWatcher::finished, this,
        [this, argument, is_command](QDBusPendingCallWatcher* finished) {
            finished->deleteLater();
            const QDBusMessage reply = finished->reply();
            if (reply.type() != QDBusMessage::ReplyMessage) {
                report({LinkEvent::Kind::command_failed, argument, finished->error().message()});
                return;
            }
            if (!is_command || reply.arguments().isEmpty()) return;
            const QString line = reply.arguments().constFirst().toString();
            // Behind any notification still held, so the order is kept.
            if (presence_ == Presence::unknown)
                hold({}, line);
            else
                arrived(line);
        });
}

void DBusSkypeLink::ask_for_owner() {
    QDBusMessage ask = QDBusMessage::createMethodCall(bus_daemon, bus_daemon_path, bus_daemon,
                                                      QStringLiteral("GetNameOwner"));
    ask << skype_bus::service;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(ask), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                if (owner_changes_seen_) return;  // the watch has already told us something newer
                const QDBusMessage reply = finished->reply();
                const bool found =
                    reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
                owner_ = found ? reply.arguments().constFirst().toString() : QString();
                presence_ = found ? Presence::present : Presence::absent;
                release_held();
            });
}

void DBusSkypeLink::owner_changed(const QString& new_owner) {
    owner_changes_seen_ = true;
    owner_ = new_owner;
    presence_ = new_owner.isEmpty() ? Presence::absent : Presence::present;
    release_held();
    report({new_owner.isEmpty() ? LinkEvent::Kind::client_left : LinkEvent::Kind::client_arrived,
            {},
            {}});
    if (new_owner.isEmpty()) return;
    // A client that starts afresh has not said whether anyone is logged out, and knows nothing
    // of us: name ourselves again if the program had attached.
    scheduler_.post(lifetime_.guard([this] { logged_out_ = false; }));
    if (connect_asked_) attach();
}

// Only the client may speak for the client: a line from anyone else on the bus could pose as a
// reply, such as a chat body the owner never wrote. Until the link knows who the client is,
// lines wait.
void DBusSkypeLink::notification_arrived(const QDBusMessage& call, const QString& line) {
    if (presence_ == Presence::unknown) return hold(call.service(), line);
    if (call.service() != owner_) {
        report({LinkEvent::Kind::line_refused, line, call.service()});
        return;
    }
    arrived(line);
}

void DBusSkypeLink::hold(const QString& sender, const QString& line) {
    if (held_.size() >= most_held) {
        report({LinkEvent::Kind::line_refused, line, sender});
        return;
    }
    held_.push_back(HeldLine{sender, line});
}

// The client is known (or known to be away): its own lines go on, in order; the rest are dropped.
void DBusSkypeLink::release_held() {
    std::vector<HeldLine> held = std::move(held_);
    held_.clear();
    for (const HeldLine& h : held) {
        if (h.sender.isEmpty() || (!owner_.isEmpty() && h.sender == owner_))
            arrived(h.line);
        else
            report({LinkEvent::Kind::line_refused, h.line, h.sender});
    }
}

// Replies and notifications alike, in the order they reached us; each becomes an event of the
// program, after which the display catches up.
void DBusSkypeLink::arrived(const QString& line) {
    scheduler_.post(lifetime_.guard([this, line] { deliver(line); }));
}

void DBusSkypeLink::deliver(const QString& line) {
    if (tells_status(line)) logged_out_ = says_logged_out(line);
    if (on_notification) on_notification(line);
}

void DBusSkypeLink::report(const LinkEvent& event) {
    switch (event.kind) {
        case LinkEvent::Kind::command_failed:
            qCWarning(link_log) << "the bus did not deliver" << event.subject << ":"
                                << event.reason;
            break;
        case LinkEvent::Kind::client_arrived:
            qCInfo(link_log) << "the client is on the bus";
            break;
        case LinkEvent::Kind::client_left:
            qCWarning(link_log) << "the client left the bus";
            break;
        case LinkEvent::Kind::line_refused:
            qCWarning(link_log) << "line ignored from" << event.reason << ":" << event.subject;
            break;
    }
    if (on_event) on_event(event);
}
