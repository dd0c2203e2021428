#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>

#include "omemo/omemo_device.h"

namespace {

using omemo::Address;
using omemo::Envelope;

const Address machine_address{"machine@example.org", 0};
const Address owner_address{"owner@example.org", 0};

// The machine and one of the owner's phones, each with its file in a folder of its own.
class OmemoDeviceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        machine = open("machine");
        phone = open("phone");
        ASSERT_TRUE(machine && phone);
    }

    std::unique_ptr<OmemoDevice> open(const QString& name) {
        QString problem;
        auto device = OmemoDevice::open(folder.filePath(name), &problem);
        EXPECT_TRUE(device) << problem.toStdString();
        return device;
    }

    Address machine_at() const { return {machine_address.jid, machine->device_id()}; }
    Address phone_at() const { return {owner_address.jid, phone->device_id()}; }

    // The machine starts the session from the phone's bundle and sends the first message.
    Envelope first_message(const QByteArray& body = "status") {
        QString problem;
        EXPECT_TRUE(machine->start_session(phone_at(), phone->bundle(), &problem))
            << problem.toStdString();
        return *machine->encrypt(body, {phone_at()});
    }

    OmemoDevice::Decrypted to_phone(const Envelope& envelope) {
        return phone->decrypt(machine_address.jid, envelope);
    }

    QTemporaryDir folder;
    std::unique_ptr<OmemoDevice> machine;
    std::unique_ptr<OmemoDevice> phone;
};

TEST_F(OmemoDeviceTest, ConversationBothWays) {
    EXPECT_TRUE(machine->take_bundle_changed());  // published at every start
    EXPECT_TRUE(phone->take_bundle_changed());
    const Envelope first = first_message();
    ASSERT_EQ(first.keys.size(), 1u);
    EXPECT_TRUE(first.keys[0].pre_key);
    const auto read = to_phone(first);
    ASSERT_TRUE(read.ok) << read.problem.toStdString();
    EXPECT_EQ(read.body, "status");
    EXPECT_EQ(read.fingerprint, machine->fingerprint());
    EXPECT_TRUE(to_phone(first).problem.contains(QLatin1String("replayed")));
    EXPECT_EQ(machine->peer_fingerprint(phone_at()), phone->fingerprint());

    // The used pre-key is gone from what the phone publishes, replaced by a new one.
    EXPECT_TRUE(phone->take_bundle_changed());
    EXPECT_FALSE(phone->take_bundle_changed());
    EXPECT_EQ(phone->bundle().pre_keys.size(), 100u);

    // The phone answers on the session the first message built; then many lines both ways,
    // some arriving out of order.
    const auto reply = phone->encrypt("Armed", {machine_at()});
    ASSERT_TRUE(reply);
    EXPECT_FALSE(reply->keys[0].pre_key);
    EXPECT_EQ(machine->decrypt(owner_address.jid, *reply).body, "Armed");
    for (int round = 0; round < 10; ++round) {
        std::vector<Envelope> batch;
        for (int i = 0; i < 3; ++i)
            batch.push_back(*machine->encrypt(QByteArray::number(round * 3 + i), {phone_at()}));
        for (int i = 2; i >= 0; --i)
            EXPECT_EQ(to_phone(batch[i]).body, QByteArray::number(round * 3 + i));
        const auto back = phone->encrypt(QByteArray(500, 'x'), {machine_at()});
        EXPECT_EQ(machine->decrypt(owner_address.jid, *back).body, QByteArray(500, 'x'));
    }
    EXPECT_FALSE(machine->take_bundle_changed());
}

TEST_F(OmemoDeviceTest, SessionOnlyFromAGenuineBundle) {
    omemo::Bundle forged = phone->bundle();
    forged.signed_pre_key_signature[5] = char(forged.signed_pre_key_signature[5] ^ 0x10);
    QString problem;
    EXPECT_FALSE(machine->start_session(phone_at(), forged, &problem));
    EXPECT_TRUE(problem.contains(QLatin1String("not signed"))) << problem.toStdString();
    EXPECT_FALSE(machine->has_session(phone_at()));
    EXPECT_FALSE(machine->encrypt("status", {phone_at()}));
    // Only the devices with a session get the key.
    first_message();
    EXPECT_EQ(machine->encrypt("x", {phone_at(), {owner_address.jid, 4242}})->keys.size(), 1u);
}

// A refused pre-key message claiming a known device leaves that device's identity as it was.
TEST_F(OmemoDeviceTest, RefusedFirstMessageKeepsTheKnownIdentity) {
    ASSERT_TRUE(to_phone(first_message()).ok);
    auto impostor = open("impostor");
    ASSERT_TRUE(impostor->start_session(machine_at(), machine->bundle(), nullptr));
    Envelope forged = *impostor->encrypt("disarm", {machine_at()});
    forged.sender = phone->device_id();
    forged.payload[0] = char(forged.payload[0] ^ 0x01);
    EXPECT_FALSE(machine->decrypt(owner_address.jid, forged).ok);
    EXPECT_EQ(machine->peer_fingerprint(phone_at()), phone->fingerprint());
}

TEST_F(OmemoDeviceTest, KeyTransportHasNoBody) {
    const Envelope empty = first_message("");
    EXPECT_TRUE(empty.payload.isEmpty());
    const auto read = to_phone(empty);
    EXPECT_TRUE(read.ok) << read.problem.toStdString();
    EXPECT_TRUE(read.body.isEmpty());
}

// Whatever is wrong with a message, it is refused, and the genuine message after it still
// reads: a refused message never moves the session on.
TEST_F(OmemoDeviceTest, DamagedOrForeignMessagesAreRefused) {
    struct Row {
        const char* name;
        std::function<void(Envelope&)> damage;
        const char* problem;
        QString from = machine_address.jid;
    };
    const auto flip = [](QByteArray& bytes, qsizetype at) { bytes[at] = char(bytes[at] ^ 0x01); };
    const std::vector<Row> rows = {
        {"not for this device", [](Envelope& e) { e.keys[0].device += 1; }, "not encrypted for"},
        {"payload byte", [&](Envelope& e) { flip(e.payload, 0); }, "body is damaged"},
        {"payload cut", [](Envelope& e) { e.payload.chop(1); }, "body is damaged"},
        {"iv byte", [&](Envelope& e) { flip(e.iv, 3); }, "body is damaged"},
        {"iv length", [](Envelope& e) { e.iv.chop(2); }, "IV is damaged"},
        {"key mac", [&](Envelope& e) { flip(e.keys.back().data, e.keys.back().data.size() - 1); },
         "key is damaged"},
        {"key garbage", [](Envelope& e) { e.keys[0].data = "\x33garbage"; }, "key is damaged"},
        {"other sender", [](Envelope&) {}, "no session", QStringLiteral("eve@example.org")},
    };
    // The session stands both ways, so the rows are plain messages, not pre-key ones.
    to_phone(first_message("hello"));
    machine->decrypt(owner_address.jid, *phone->encrypt("ok", {machine_at()}));
    int sent = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QByteArray body = "line " + QByteArray::number(++sent);
        Envelope damaged = *machine->encrypt(body, {phone_at()});
        const Envelope genuine = damaged;
        row.damage(damaged);
        const auto refused = phone->decrypt(row.from, damaged);
        EXPECT_FALSE(refused.ok);
        EXPECT_TRUE(refused.body.isEmpty());
        EXPECT_TRUE(refused.problem.contains(QLatin1String(row.problem)))
            << refused.problem.toStdString();
        EXPECT_EQ(to_phone(genuine).body, body);
        // Read once; a replay is refused.
        EXPECT_TRUE(to_phone(genuine).problem.contains(QLatin1String("replayed")));
    }
}

// Both sides go on after each has been closed and opened again from its file.
TEST_F(OmemoDeviceTest, SessionsSurviveReopening) {
    ASSERT_TRUE(to_phone(first_message()).ok);
    const auto id = machine->device_id();
    const QString fingerprint = machine->fingerprint();
    machine.reset();
    phone.reset();
    machine = open("machine");
    phone = open("phone");
    ASSERT_TRUE(machine && phone);
    EXPECT_EQ(machine->device_id(), id);
    EXPECT_EQ(machine->fingerprint(), fingerprint);
    EXPECT_EQ(machine->peer_fingerprint(phone_at()), phone->fingerprint());
    // The owner is known by the whole address, not by a name that begins the same.
    EXPECT_TRUE(machine->knows_contact(owner_address.jid));
    for (const char* other : {"owner@example", "owner@example.org.uk", "a@example.org", ""})
        EXPECT_FALSE(machine->knows_contact(other)) << other;
    EXPECT_EQ(machine->decrypt(owner_address.jid, *phone->encrypt("a", {machine_at()})).body, "a");
    EXPECT_EQ(to_phone(*machine->encrypt("b", {phone_at()})).body, "b");
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(folder.filePath("machine")).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
}

TEST(OmemoDeviceFile, UnreadableFileIsRefusedAndKept) {
    QTemporaryDir folder;
    QString problem;
    const QString good = folder.filePath("good");
    ASSERT_TRUE(OmemoDevice::open(good, &problem));
    QFile file(good);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray valid = file.readAll();
    const std::vector<std::pair<const char*, QByteArray>> rows = {
        {"garbage", "not json at all"},
        {"cut short", valid.left(valid.size() / 2)},
        {"no identity", QByteArray(valid).replace("\"identity\"", "\"identitx\"")},
        {"other format", QByteArray(valid).replace("\"format\":1", "\"format\":2")},
        {"identity not a key", QByteArray(valid).replace("\"public\":\"", "\"public\":\"AAAA")},
    };
    for (const auto& [name, content] : rows) {
        SCOPED_TRACE(name);
        const QString path = folder.filePath(name);
        QFile damaged(path);
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
        damaged.write(content);
        damaged.close();
        problem.clear();
        EXPECT_FALSE(OmemoDevice::open(path, &problem));
        EXPECT_FALSE(problem.isEmpty());
        // Never replaced by a new identity: the owner would see the fingerprint change.
        QFile kept(path);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), content);
    }
    ASSERT_TRUE(QDir(folder.path()).mkdir("a folder"));
    EXPECT_FALSE(OmemoDevice::open(folder.filePath("a folder"), &problem));
    EXPECT_FALSE(OmemoDevice::open(folder.filePath("no folder/device"), &problem));
}

}  // namespace
