// The program with end-to-end encryption on (encryption=omemo) against a real server, the owner
// on a phone that speaks OMEMO as the apps do (omemo_phone.py: python-omemo, an implementation
// nobody here wrote). What the server keeps is read afterwards: nothing of it may be in clear.
#include <QFile>

#include "xmpp_test.h"

namespace {

struct XmppEncrypted : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(server.ready()) << server.problem().toStdString();
        ASSERT_FALSE(owner.wait_for("omemo-ready").isEmpty()) << owner.transcript();
        ASSERT_TRUE(owner.online());
    }
    void TearDown() override {
        if (!HasFailure()) return;
        std::cerr << owner.transcript() << (machine ? machine->transcript() : std::string())
                  << server.log().toStdString();
    }
    QString account(const QString& encryption = "omemo") const {
        return server.write_account_file("machine", server.ca_file(), ProsodyServer::password, 10,
                                         encryption);
    }
    // The machine's devices as the owner's phone finds them published: "-" for none.
    QString machine_devices() {
        owner.command("devices " + machine_jid);
        return owner.wait_for("devices " + machine_jid).section(' ', 2);
    }
    // Sends an encrypted line and waits for the machine's decrypted answer starting with `reply`.
    QString ask(const QString& command, const QString& reply, int limit_ms = 30'000) {
        owner.command("esay " + machine_jid + ' ' + command);
        return owner.wait_for("echat " + machine_jid + ' ' + reply, limit_ms);
    }
    // The machine's first start publishes its device; the phone writes to it once it sees it.
    void start_machine(Machine::Scene scene) {
        machine = std::make_unique<Machine>(scene);
        ASSERT_TRUE(machine->ready());
        machine->start(account());
        ASSERT_TRUE(wait_until([&] { return machine_devices() != "-"; }, 30'000))
            << "the machine never published its device";
    }

    ProsodyServer server{ProsodyServer::Upload::share, ProsodyServer::Encryption::offered, true};
    Phone owner{server, "owner", VQ_OMEMO_PHONE_SCRIPT};
    std::unique_ptr<Machine> machine;
};

// Commands go encrypted and are obeyed; answers and the alarm come encrypted with the exact
// texts; the alarm picture's aesgcm:// address gives the snapshot byte for byte, while the server
// holds only ciphertext. A plain command, a replayed or damaged one get one encrypted line each, a
// stranger's nothing; none is obeyed. Nothing the owner and the machine said, and no picture, is
// in clear on the server.
TEST_F(XmppEncrypted, CommandsRepliesAndTheAlarmPictureCrossTheServerSealed) {
    start_machine(Machine::walk_every_half_minute);
    Phone stranger(server, "stranger", VQ_OMEMO_PHONE_SCRIPT);
    const QString status = ask("status", "Status of Video Quelm");
    EXPECT_TRUE(status.contains("\\nMotion Sensing On\\n")) << status.toStdString();
    const QString cannot = "echat " + machine_jid + " I could not decrypt your message.";
    owner.command("replay");
    EXPECT_FALSE(owner.wait_for(cannot).isEmpty());
    owner.command("damaged " + machine_jid + " motion off");
    EXPECT_FALSE(owner.wait_for(cannot).isEmpty());
    owner.say(machine_jid, "motion off");
    EXPECT_FALSE(owner
                     .wait_for("echat " + machine_jid +
                               " Not obeyed: I take only encrypted "
                               "commands.")
                     .isEmpty());
    ASSERT_TRUE(stranger.online()) << stranger.transcript();
    stranger.command("esay " + machine_jid + " motion off");

    // Motion (still on): the picture's address comes encrypted; it decrypts to the snapshot.
    const QString address = owner.wait_for("echat " + machine_jid + " aesgcm://", 60'000);
    ASSERT_FALSE(address.isEmpty());
    owner.command("edownload " + address.section(' ', 2));
    const QString downloaded = owner.wait_for("downloaded ");
    ASSERT_FALSE(machine->snapshots().isEmpty());
    EXPECT_EQ(downloaded.section(' ', 3), machine->fingerprint(machine->snapshots().first()));
    EXPECT_TRUE(downloaded.contains(" 320x240 ")) << downloaded.toStdString();
    EXPECT_FALSE(owner.wait_for("jmi propose").isEmpty());  // the call, as without encryption
    EXPECT_FALSE(ask("motion off", "Motion Sensing Now OFF").isEmpty());

    // Nothing came in clear: no readable line, no picture beside the encrypted messages.
    EXPECT_EQ(owner.received("chat " + machine_jid), QStringList());
    EXPECT_EQ(owner.received("oob"), QStringList());
    EXPECT_EQ(owner.received(cannot).size(), 2);
    EXPECT_FALSE(stranger.received("esent").isEmpty()) << stranger.transcript();
    EXPECT_EQ(stranger.received("echat") + stranger.received("chat"), QStringList());
    // The server kept everything it passed on: all of it sealed.
    int archived = 0;
    for (const QString& path : server.stored_files()) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const QByteArray data = file.readAll();
        archived += data.count("eu.siacs.conversations.axolotl\"");
        EXPECT_FALSE(data.startsWith("\xff\xd8")) << "a JPEG on the server: " << path.toStdString();
        for (const char* secret : {"Motion Sensing", "Status of", "aesgcm://", "Not obeyed"})
            EXPECT_FALSE(data.contains(secret)) << secret << " in " << path.toStdString();
    }
    EXPECT_GT(archived, 3) << "the archive kept no encrypted messages: the check saw nothing";
}

// The machine keeps its identity across a restart: the same single device, and the owner's
// session goes on. When another app of the machine's account drops its id from the list, it is
// put back at once.
TEST_F(XmppEncrypted, TheIdentitySurvivesARestartAndALostDeviceIsPublishedAgain) {
    start_machine(Machine::quiet_room);
    const QString device = machine_devices();
    EXPECT_FALSE(ask("status", "Status of Video Quelm").isEmpty());
    machine->program().process.terminate();
    ASSERT_TRUE(machine->program().finish());
    machine->start(account());
    EXPECT_FALSE(ask("status", "Status of Video Quelm", 60'000).isEmpty());
    EXPECT_EQ(machine_devices(), device);

    Phone other_app(server, "machine", VQ_OMEMO_PHONE_SCRIPT);
    const QString other = other_app.wait_for("omemo-ready").section(' ', 1, 1);
    ASSERT_FALSE(other.isEmpty()) << other_app.transcript();
    other_app.command("publish-devices " + other);
    EXPECT_TRUE(wait_until(
        [&] {
            const QStringList ids = machine_devices().split(',');
            return ids.contains(device) && ids.contains(other);
        },
        20'000))
        << machine_devices().toStdString();
}

}  // namespace
