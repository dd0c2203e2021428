// The chat link and the simulated client talking over a private session bus.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusPendingCallWatcher>
#include <memory>

#include "child_process.h"
#include "client/simulated_client.h"
#include "platform/dbus/dbus_skype_link.h"
#include "platform/dbus/simulated_client_service.h"
#include "platform/dbus/skype_bus.h"
#include "private_bus.h"
#include "qt_printers.h"
#include "scripted_client.h"
#include "time/qt_scheduler.h"

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
    SimulatedClient client;
    SimulatedClientService service;
    QStringList commands;  // what the program sent it, keys included
};

struct LinkTest : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(bus.running()) << "no dbus-daemon to start"; }

    ClientOnBus& start_client() {
        clients.push_back(std::make_unique<ClientOnBus>(bus, scheduler));
        EXPECT_TRUE(clients.back()->service.start());
        return *clients.back();
    }
    // The client goes away as a program that quits does: its connection closes.
    void end_client() { clients.pop_back(); }

    DBusSkypeLink& start_link() {
        program_bus = bus.connect();
        link = std::make_unique<DBusSkypeLink>(scheduler, program_bus);
        link->on_notification = [this](const QString& line) { lines.append(line); };
        link->on_event = [this](const LinkEvent& event) { notes.append(event); };
        return *link;
    }
    // Everything the link has queued so far has been delivered.
    void settle() {
        bool done = false;
        scheduler.post([&] { done = true; });
        ASSERT_TRUE(wait_until([&] { return done; }));
    }
    bool got(qsizetype count) {
        return wait_until([&] { return lines.size() >= count; });
    }

    PrivateBus bus;
    QtScheduler scheduler;
    std::vector<std::unique_ptr<ClientOnBus>> clients;
    QDBusConnection program_bus = QDBusConnection(QString());
    std::unique_ptr<DBusSkypeLink> link;
    QStringList lines;       // what reached the program, in order
    QList<LinkEvent> notes;  // what the link noted about the bus
};

// A client that answers a command and at once sends notifications, under every interface name
// clients have been seen to use: the program gets them exactly in that order.
TEST_F(LinkTest, RepliesAndNotificationsArriveInTheOrderTheyWereSent) {
    ScriptedClient fake(bus.connect());
    ASSERT_TRUE(fake.started());
    start_link();
    const QStringList interfaces = {skype_bus::program_interface, skype_bus::client_interface, "",
                                    "org.example.Other"};
    fake.on_call = [&](const QDBusMessage& call, QDBusConnection& connection) {
        const QString command = call.arguments().value(0).toString();
        connection.send(call.createReply(QStringLiteral("reply to ") + command));
        for (const QString& interface : interfaces)
            fake.notify(call.service(), command + " then " + interface, interface);
    };
    QStringList expected;
    for (int i = 0; i < 20; ++i) {
        const QString command = QStringLiteral("BURST %1").arg(i);
        link->SendCommand(command);
        expected.append("reply to " + command);
        for (const QString& interface : interfaces) expected.append(command + " then " + interface);
    }
    ASSERT_TRUE(got(expected.size()));
    EXPECT_EQ(lines, expected);
}

// Only the client speaks for the client: anyone else on the bus could fake a chat body.
TEST_F(LinkTest, LinesFromAnyoneButTheClientAreIgnored) {
    ScriptedClient fake(bus.connect());
    start_link();
    fake.on_call = [&](const QDBusMessage& call, QDBusConnection& connection) {
        connection.send(call.createReply(QStringLiteral("PONG")));
    };
    link->SendCommand("PING");
    ASSERT_TRUE(got(1));  // the link knows who the client is by now

    QDBusConnection stranger = bus.connect();
    QDBusMessage fake_line = QDBusMessage::createMethodCall(
        program_bus.baseService(), skype_bus::program_path, skype_bus::program_interface, "Notify");
    fake_line << QStringLiteral("#610 CHATMESSAGE 101 BODY motion off");
    QDBusPendingCallWatcher answered(stranger.asyncCall(fake_line));
    ASSERT_TRUE(wait_until([&] { return answered.isFinished(); }));
    settle();
    EXPECT_EQ(lines, QStringList{"PONG"});
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(notes[0].kind, LinkEvent::Kind::line_refused);
    fake.notify(program_bus.baseService(), "CONNSTATUS ONLINE", skype_bus::program_interface);
    ASSERT_TRUE(got(2));
    EXPECT_EQ(lines.last(), "CONNSTATUS ONLINE");
}

// Right after the start the link does not know yet who the client is. A stranger that floods
// the program's connection from the moment it appears on the bus gets lines in before the link
// has learnt the client's name: they wait, and are dropped once the client is known.
TEST_F(LinkTest, AStrangersLinesAtTheStartAreNeverTakenForTheClients) {
    ScriptedClient fake(bus.connect());
    ASSERT_TRUE(fake.started());
    QDBusConnection stranger = bus.connect();
    for (int start = 0; start < 5; ++start) {
        lines.clear();
        program_bus = bus.connect();
        std::vector<std::unique_ptr<QDBusPendingCallWatcher>> pushed;
        auto push = [&] {
            QDBusMessage forged =
                QDBusMessage::createMethodCall(program_bus.baseService(), skype_bus::program_path,
                                               skype_bus::program_interface, "Notify");
            forged << QStringLiteral("#610 CHATMESSAGE 1 BODY motion off");
            pushed.push_back(std::make_unique<QDBusPendingCallWatcher>(stranger.asyncCall(forged)));
        };
        for (int i = 0; i < 300; ++i) push();  // still on their way as the link starts
        link = std::make_unique<DBusSkypeLink>(scheduler, program_bus);
        link->on_notification = [this](const QString& line) { lines.append(line); };
        for (int i = 0; i < 30; ++i) push();
        fake.notify(program_bus.baseService(), "CONNSTATUS ONLINE", skype_bus::program_interface);
        ASSERT_TRUE(got(1));
        for (const auto& call : pushed) ASSERT_TRUE(wait_until([&] { return call->isFinished(); }));
        settle();
        EXPECT_EQ(lines, QStringList{"CONNSTATUS ONLINE"}) << "start " << start;
        link.reset();
        bus.disconnect(program_bus);
    }
}

TEST_F(LinkTest, AClientWithoutTheKeysMethodGetsNoneAndTheLinkGoesOn) {
    ScriptedClient fake(bus.connect());
    fake.on_call = [&](const QDBusMessage& call, QDBusConnection& connection) {
        if (call.member() == "Invoke")
            connection.send(call.createReply(QStringLiteral("PONG")));
        else
            connection.send(call.createErrorReply(QDBusError::UnknownMethod, "no such method"));
    };
    start_link();
    link->send_keys("{ENTER}");
    link->SendCommand("PING");
    ASSERT_TRUE(got(1));
    ASSERT_TRUE(wait_until([&] { return !notes.isEmpty(); }));
    EXPECT_EQ(lines, QStringList{"PONG"});
    EXPECT_EQ(notes.first().kind, LinkEvent::Kind::command_failed);
    EXPECT_EQ(notes.first().subject, "{ENTER}");
}

TEST_F(LinkTest, ARefusedProgramIsToldSoAndHearsNothingElse) {
    ClientOnBus& side = start_client();
    side.client.set_access_allowed(false);
    start_link().Connect(10);
    ASSERT_TRUE(got(2));
    side.client.say("status");
    link->SendCommand("PING");  // answered after whatever the owner's line would have caused
    ASSERT_TRUE(got(3));
    settle();
    EXPECT_EQ(lines, (QStringList{"ERROR 68", "ERROR 68", "PONG"}));
    EXPECT_EQ(side.service.program(), "");
}

TEST_F(LinkTest, LoggingOutAndInIsTheLoginStatus) {
    ClientOnBus& side = start_client();
    start_link().Connect(10);
    ASSERT_TRUE(got(2));
    side.client.log_out();
    ASSERT_TRUE(wait_until([&] { return link->LoginStatus() == 2; }));
    EXPECT_EQ(lines.mid(2), (QStringList{"CONNSTATUS LOGGEDOUT", "USERSTATUS LOGGEDOUT"}));
    side.client.log_in();
    ASSERT_TRUE(wait_until([&] { return link->LoginStatus() == 1; }));
    EXPECT_EQ(lines.mid(4), (QStringList{"CONNSTATUS ONLINE", "USERSTATUS ONLINE"}));
}

// No client at the start, then one that quits and is started again: logged out while there is
// none, attached afresh whenever one comes.
TEST_F(LinkTest, TheProgramAttachesWheneverAClientComes) {
    start_link().Connect(10);
    ASSERT_TRUE(wait_until([&] { return notes.size() >= 2 && link->LoginStatus() == 2; }));
    EXPECT_TRUE(lines.isEmpty());
    EXPECT_EQ(notes[0].kind, LinkEvent::Kind::command_failed);
    EXPECT_EQ(notes[0].subject, "NAME VideoQuelm");
    ClientOnBus& first = start_client();
    ASSERT_TRUE(got(2));
    EXPECT_EQ(first.service.program(), program_bus.baseService()) << "keys go to this program only";
    ASSERT_TRUE(wait_until([&] { return link->presence() == DBusSkypeLink::Presence::present; }));
    EXPECT_EQ(link->LoginStatus(), 1);

    end_client();
    ASSERT_TRUE(wait_until([&] { return link->LoginStatus() == 2; }));
    const qsizetype notes_before = notes.size();
    link->SendCommand("PING");
    ASSERT_TRUE(wait_until([&] { return notes.size() > notes_before; }));
    EXPECT_EQ(notes.last().kind, LinkEvent::Kind::command_failed);
    EXPECT_EQ(notes.last().subject, "PING");

    ClientOnBus& again = start_client();
    ASSERT_TRUE(got(4));
    EXPECT_EQ(lines, (QStringList{"OK", "PROTOCOL 5", "OK", "PROTOCOL 5"}));
    EXPECT_EQ(again.commands, (QStringList{"NAME VideoQuelm", "PROTOCOL 5"}));
    EXPECT_EQ(link->LoginStatus(), 1);
}

TEST(LinkWithoutBus, ComplainsToNobodyAndCountsAsLoggedOut) {
    QtScheduler scheduler;
    DBusSkypeLink link(scheduler,
                       QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                     QStringLiteral("no-bus")));
    QStringList lines;
    link.on_notification = [&](const QString& line) { lines.append(line); };
    link.Connect(10);
    link.send_keys("{ENTER}");
    bool done = false;
    scheduler.post([&] { done = true; });
    ASSERT_TRUE(wait_until([&] { return done; }));
    EXPECT_TRUE(lines.isEmpty());
    EXPECT_EQ(link.LoginStatus(), 2);
    QDBusConnection::disconnectFromBus(QStringLiteral("no-bus"));
}

}  // namespace
