// The test server and the phone on their own, so that a fault in the fixture shows as such and
// not as a fault of the program: contacts chat, and a message stored while its addressee was
// away arrives later with the delay stamp the fixture moved back in time.
#include <gtest/gtest.h>

#include <QDateTime>

#include "phone.h"
#include "prosody_server.h"

TEST(ServerFixture, ContactsChatAndAStoredMessageArrivesWithItsAgedStamp) {
    ProsodyServer server;
    ASSERT_TRUE(server.ready()) << server.problem().toStdString();
    Phone owner(server, "owner");
    ASSERT_TRUE(owner.online()) << owner.transcript() << server.log().toStdString();
    owner.say(ProsodyServer::jid("stranger"), "motion off");
    {
        Phone machine(server, "machine");
        ASSERT_TRUE(machine.online()) << machine.transcript();
        EXPECT_FALSE(owner.wait_for("presence machine@localhost available").isEmpty());
        owner.say(ProsodyServer::jid("machine"), "first\\nsecond");
        EXPECT_EQ(machine.wait_for("chat "), "chat owner@localhost first\\nsecond")
            << machine.transcript();
    }
    ASSERT_TRUE(server.age_offline_messages("stranger", 86'400));
    Phone stranger(server, "stranger");
    const QString yesterday = QDateTime::currentDateTimeUtc().addDays(-1).toString("yyyy-MM-dd");
    EXPECT_TRUE(stranger.wait_for("delayed owner@localhost ").contains(yesterday + 'T'))
        << stranger.transcript();
    EXPECT_EQ(stranger.wait_for("chat "), "chat owner@localhost motion off");
}
