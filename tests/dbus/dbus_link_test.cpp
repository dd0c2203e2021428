// The chat link and the simulated client talking over a private session bus.
#include <gtest/gtest.h>

#include <QDBusPendingCallWatcher>
#include <memory>

#include "client/client_core.h"
#include "platform/dbus/client_bus_service.h"
#include "platform/dbus/dbus_skype_link.h"
#include "platform/dbus/skype_bus.h"
#include "private_bus.h"
#include "qt_printers.h"
#include "scripted_client.h"
#include "time/qt_scheduler.h"
#include "wait_until.h"

namespace {

// The simulated client on a connection of its own.
struct ClientOnBus {
    ClientOnBus(PrivateBus& bus, QtScheduler& scheduler)
        : bus(bus), connection(bus.connect()), client(scheduler), service(client, connection) {
        service.on_traffic = [this](const QString& line, bool from_program) {
            if (from_program) commands.append(line);
        };
    }
    ~ClientOnBus() { bus.disconnect(connection); }
    PrivateBus& bus;
    QDBusConnection connection;
    ClientCore client;
    ClientBusService service;
    QStringList commands;  // what the program sent it, keys included
};

// The program's link on a bus of the test's own, with what reaches the program and what the link
// notes about the bus.
struct LinkTest : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(bus.running()) << "no dbus-daemon to start"; }

    // On the program's connection, made now unless the test made it already.
    DBusSkypeLink& start_link() {
        if (program_bus.name().isEmpty()) program_bus = bus.connect();
        link = std::make_unique<DBusSkypeLink>(scheduler, program_bus);
        link->on_notification = [this](const QString& line) { lines.append(line); };
        link->on_event = [this](const LinkEvent& event) { notes.append(event); };
        return *link;
    }
    bool got(qsizetype count) {
        return wait_until([&] { return lines.size() >= count; });
    }
    // Everything the link has queued so far has been delivered.
    void settle() {
        bool done = false;
        scheduler.post([&] { done = true; });
        ASSERT_TRUE(wait_until([&] { return done; }));
    }

    PrivateBus bus;
    QtScheduler scheduler;
    QDBusConnection program_bus = QDBusConnection(QString());
    std::unique_ptr<DBusSkypeLink> link;
    QStringList lines;       // what reached the program, in order
    QList<LinkEvent> notes;  // what the link noted about the bus
};

// A client that answers a command and at once sends notifications, under every interface name
// clients have been seen to use: the program gets them exactly in that order. A client without
// the keys method gets no keys, and the link goes on.
TEST_F(LinkTest, RepliesAndNotificationsArriveInTheOrderTheyWereSent) {
    ScriptedClient fake(bus.connect());
    ASSERT_TRUE(fake.started());
    start_link();
    const QStringList interfaces = {skype_bus::program_interface, skype_bus::client_interface, "",
                                    "org.example.Other"};
    fake.on_call = [&](const QDBusMessage& call, QDBusConnection& connection) {
        if (call.member() != "Invoke") {
            connection.send(call.createErrorReply(QDBusError::UnknownMethod, "no such method"));
            return;
        }
        const QString command = call.arguments().value(0).toString();
        connection.send(call.createReply(QStringLiteral("reply to ") + command));
        for (const QString& interface : interfaces)
            fake.notify(call.service(), command + " then " + interface, interface);
    };
    link->send_keys("{ENTER}");
    QStringList expected;
    for (int i = 0; i < 20; ++i) {
        const QString command = QStringLiteral("BURST %1").arg(i);
        link->SendCommand(command);
        expected.append("reply to " + command);
        for (const QString& interface : interfaces) expected.append(command + " then " + interface);
    }
    ASSERT_TRUE(got(expected.size()));
    EXPECT_EQ(lines, expected);
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(notes[0].kind, LinkEvent::Kind::command_failed);
    EXPECT_EQ(notes[0].subject, "{ENTER}");
}

// Only the client speaks for the client: anyone else on the bus could fake a chat body. A
// stranger that floods the program's connection from the moment it appears gets lines in before
// the link has learnt the client's name: they wait, and are dropped once the client is known, as
// is every later line of the stranger's; the client's own lines go on arriving.
TEST_F(LinkTest, AStrangersLinesAreNeverTakenForTheClientsEvenAtTheStart) {
    ScriptedClient fake(bus.connect());
    ASSERT_TRUE(fake.started());
    QDBusConnection stranger = bus.connect();
    for (int start = 0; start < 5; ++start) {
        lines.clear();
        notes.clear();
        std::vector<std::unique_ptr<QDBusPendingCallWatcher>> pushed;
        auto push = [&] {
            pushed.push_back(std::make_unique<QDBusPendingCallWatcher>(
                stranger.asyncCall(ScriptedClient::notify_call(program_bus.baseService(),
                                                               "#610 CHATMESSAGE 1 BODY motion off",
                                                               skype_bus::program_interface))));
        };
        program_bus = bus.connect();
        for (int i = 0; i < 300; ++i) push();  // still on their way as the link starts
        start_link();
        for (int i = 0; i < 30; ++i) push();
        fake.notify(program_bus.baseService(), "CONNSTATUS ONLINE", skype_bus::program_interface);
        ASSERT_TRUE(got(1));
        push();
        for (const auto& call : pushed) ASSERT_TRUE(wait_until([&] { return call->isFinished(); }));
        settle();
        fake.notify(program_bus.baseService(), "USERSTATUS ONLINE", skype_bus::program_interface);
        ASSERT_TRUE(got(2));
        EXPECT_EQ(lines, (QStringList{"CONNSTATUS ONLINE", "USERSTATUS ONLINE"}))
            << "start " << start;
        ASSERT_FALSE(notes.isEmpty());
        EXPECT_EQ(notes.last().kind, LinkEvent::Kind::line_refused);
        link.reset();
        bus.disconnect(program_bus);
    }
}

// No client at the start, then one that logs out and in, quits and is started again, this time
// refusing the program: logged out while there is none or it says so, attached afresh whenever
// one comes. A second client is refused the bus while the first is there. A client that refuses
// the program tells it so and nothing else, not even the owner's chat; its replies to the
// program's commands still come.
TEST_F(LinkTest, TheProgramAttachesWheneverAClientComes) {
    start_link().Connect(10);
    ASSERT_TRUE(wait_until([&] { return notes.size() >= 2 && link->LoginStatus() == 2; }));
    EXPECT_TRUE(lines.isEmpty());
    EXPECT_EQ(notes[0].kind, LinkEvent::Kind::command_failed);
    EXPECT_EQ(notes[0].subject, "NAME VideoQuelm");
    auto client = std::make_unique<ClientOnBus>(bus, scheduler);
    ASSERT_TRUE(client->service.start());
    ASSERT_TRUE(got(2));
    EXPECT_EQ(client->service.program(), program_bus.baseService())
        << "keys go to this program only";
    ASSERT_TRUE(wait_until([&] { return link->presence() == DBusSkypeLink::Presence::present; }));
    EXPECT_EQ(link->LoginStatus(), 1);
    client->client.log_out();
    ASSERT_TRUE(wait_until([&] { return link->LoginStatus() == 2; }));
    client->client.log_in();
    ASSERT_TRUE(wait_until([&] { return link->LoginStatus() == 1; }));
    QString why_not;  // two clients on one bus would each answer half the calls
    EXPECT_FALSE(ClientOnBus(bus, scheduler).service.start(&why_not));
    EXPECT_EQ(why_not, "com.Skype.API is already on the bus: another client is running");

    client.reset();  // the client quits: its connection closes
    ASSERT_TRUE(wait_until([&] { return link->LoginStatus() == 2; }));

    lines.clear();
    client = std::make_unique<ClientOnBus>(bus, scheduler);
    client->client.set_access_allowed(false);
    ASSERT_TRUE(client->service.start());
    ASSERT_TRUE(got(2));
    client->client.say("status");
    link->SendCommand("PING");  // answered after whatever the owner's line would have caused
    ASSERT_TRUE(got(3));
    settle();
    EXPECT_EQ(lines, (QStringList{"ERROR 68", "ERROR 68", "PONG"}));
    EXPECT_EQ(client->commands, (QStringList{"NAME VideoQuelm", "PROTOCOL 5", "PING"}));
}

TEST_F(LinkTest, WithoutABusItComplainsToNobodyAndCountsAsLoggedOut) {
    program_bus = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                QStringLiteral("no-bus"));
    start_link().Connect(10);
    link->send_keys("{ENTER}");
    settle();
    EXPECT_TRUE(lines.isEmpty());
    EXPECT_EQ(link->LoginStatus(), 2);
    link.reset();
    QDBusConnection::disconnectFromBus(QStringLiteral("no-bus"));
}

}  // namespace
