// End-to-end encryption on the account, without a server, in virtual time: a small PEP service
// in the test answers the machine's questions, a device that only pretends to encrypt stands in
// for the ratchet, and the test reads what the program is told and how every message left.
#include <gtest/gtest.h>

#include <QDomDocument>
#include <QRegularExpression>
#include <QTextStream>
#include <map>
#include <set>

#include "client/client_core.h"
#include "omemo/omemo_device.h"
#include "omemo/omemo_xml.h"
#include "platform/xmpp/xmpp_omemo.h"
#include "platform/xmpp/xmpp_owner_side.h"
#include "qt_printers.h"
#include "time/virtual_scheduler.h"

namespace {

using Encryption = XmppAccount::Encryption;
using omemo::DeviceId;

const QString owner = "owner@example.org";
const QString machine = "machine@example.org";
constexpr DeviceId ours = 7;

// A device's identity, and so its fingerprint, is its id written out.
QByteArray identity(DeviceId device) {
    return QByteArray(1, 5) + QByteArray(32, char(device));
}
QString fingerprint_of(DeviceId device) {
    return QString(identity(device).mid(1).toHex());
}

// Keeps its "sessions" and sends bodies as they are (the test reads them from the payload); a
// payload "damaged" does not decrypt.
struct PretendDevice : OmemoDevice {
    omemo::DeviceId device_id() const override { return ours; }
    QString fingerprint() const override { return fingerprint_of(ours); }
    omemo::Bundle bundle() const override {
        return {identity(ours), 1, identity(1), QByteArray(64, 's'), {{1, identity(2)}}};
    }
    bool take_bundle_changed() override { return std::exchange(pre_key_used, false); }
    bool has_session(const omemo::Address& peer) const override {
        return sessions.count(peer.device) > 0;
    }
    bool start_session(const omemo::Address& peer, const omemo::Bundle& bundle, QString*) override {
        sessions[peer.device] = QString(bundle.identity_key.mid(1).toHex());
        return true;
    }
    QString peer_fingerprint(const omemo::Address& peer) const override {
        return sessions.count(peer.device) ? sessions.at(peer.device) : QString();
    }
    std::optional<omemo::Envelope> encrypt(const QByteArray& body,
                                           const std::vector<omemo::Address>& to) override {
        omemo::Envelope envelope{ours, {}, QByteArray(12, 'i'), body};
        for (const auto& address : to) envelope.keys.push_back({address.device, "key", false});
        return envelope;
    }
    Decrypted decrypt(const QString&, const omemo::Envelope& envelope) override {
        ++decrypted;
        if (envelope.payload == "damaged") return {false, {}, "bad tag", {}};
        pre_key_used = true;
        sessions[envelope.sender] = fingerprint_of(envelope.sender);
        return {true, envelope.payload, {}, fingerprint_of(envelope.sender)};
    }
    std::map<DeviceId, QString> sessions;
    bool pre_key_used = false;
    int decrypted = 0;
};

struct OmemoTest : ::testing::Test {
    void make(Encryption encryption, QStringList fingerprints = {}) {
        side.reset();
        sent.clear();
        auto made = std::make_unique<PretendDevice>();
        device = made.get();
        side = std::make_unique<XmppOwnerSide>(
            client, scheduler, XmppOwnerSide::Options{"example.org", {}, 10, {}, {}});
        side->send = [this](const QString& stanza) { sent.append(stanza); };
        side->call_target = [] { return owner; };
        side->use_omemo(std::move(made), encryption, fingerprints);
        side->stream_up(machine + "/vq");
        // The roster is the first question.
        receive("<iq type='result' id='" + id_of(sent.first()) +
                "'><query xmlns='jabber:iq:roster'><item jid='" + owner +
                "' subscription='both'/></query></iq>");
        served = 1;
    }
    static QString id_of(const QString& stanza) {
        return QRegularExpression("id=\"([^\"]+)\"").match(stanza).captured(1);
    }
    void receive(const QString& xml) {
        QDomDocument document;
        ASSERT_TRUE(document.setContent(xml, true)) << xml.toStdString();
        side->receive(document.documentElement());
    }
    // The owner's published devices, as the PEP service holds them.
    void owner_has(const std::vector<DeviceId>& devices) {
        pep[owner][omemo::xml::devicelist_node] = omemo::xml::device_list_xml(devices);
        for (const DeviceId device : devices)
            pep[owner][omemo::xml::bundle_node_prefix + QString::number(device)] =
                omemo::xml::bundle_xml(
                    {identity(device), 1, identity(1), QByteArray(64, 's'), {{1, identity(2)}}});
    }
    // Answers every PEP question the machine asked since the last call, as a server would.
    void serve() {
        for (; served < sent.size(); ++served) {
            QDomDocument document;
            document.setContent(sent[served], true);
            const QDomElement iq = document.documentElement();
            const QDomElement pubsub = iq.firstChildElement("pubsub");
            if (iq.tagName() != "iq" || pubsub.isNull()) continue;
            const QString to = iq.attribute("to", machine);
            const QDomElement publish = pubsub.firstChildElement("publish");
            QString answer = "<iq type='result' id='" + iq.attribute("id") + "' from='" + to + "'";
            if (!publish.isNull()) {
                const bool options = !pubsub.firstChildElement("publish-options").isNull();
                QString payload;
                QTextStream stream(&payload);
                publish.firstChildElement("item").firstChildElement().save(stream, 0);
                published.append(publish.attribute("node") + (options ? " open" : ""));
                if (options && refuse_options) {
                    receive(answer.replace("result", "error") +
                            "><error type='cancel'><precondition-not-met "
                            "xmlns='urn:ietf:params:xml:ns:xmpp-stanzas'/></error></iq>");
                    continue;
                }
                pep[machine][publish.attribute("node")] = payload;
                receive(answer + "/>");
                continue;
            }
            const QString node = pubsub.firstChildElement("items").attribute("node");
            const auto held = pep[xmpp::bare(to)].find(node);
            if (held == pep[xmpp::bare(to)].end())
                receive(answer.replace("result", "error") +
                        "><error type='cancel'><item-not-found "
                        "xmlns='urn:ietf:params:xml:ns:xmpp-stanzas'/></error></iq>");
            else
                receive(answer +
                        "><pubsub xmlns='http://jabber.org/protocol/pubsub'><items node='" + node +
                        "'><item id='current'>" + held->second + "</item></items></pubsub></iq>");
        }
    }
    // The messages the machine sent since `from`, in short: "plain <body>" or
    // "sealed[<devices>] <body>".
    QStringList messages(qsizetype from = 0) const {
        QStringList out;
        for (const QString& stanza : sent.mid(from)) {
            QDomDocument document;
            document.setContent(stanza, true);
            const QDomElement message = document.documentElement();
            if (message.tagName() != "message") continue;
            const QDomElement encrypted = xmpp::child(message, "encrypted", omemo::xml::ns);
            if (encrypted.isNull()) {
                out += "plain " + message.firstChildElement("body").text();
                continue;
            }
            const auto envelope = omemo::xml::parse_envelope(encrypted);
            QStringList devices;
            for (const auto& key : envelope->keys) devices += QString::number(key.device);
            out += "sealed[" + devices.join(',') + "] " + QString::fromUtf8(envelope->payload);
        }
        return out;
    }
    QString encrypted_from(DeviceId device, const QByteArray& payload) const {
        return "<message from='" + owner + "/phone' type='chat'><body>fallback</body>" +
               omemo::xml::envelope_xml(
                   {device, {{ours, "key", true}}, QByteArray(12, 'i'), payload}) +
               "</message>";
    }
    QStringList obeyed() {
        lines.clear();
        scheduler.run_for(100);
        QStringList bodies;
        for (const QString& line : lines.filter("RECEIVED"))
            bodies += client.handle("GET CHATMESSAGE " + line.section(' ', 1, 1) + " BODY")
                          .section(' ', 3);
        return bodies;
    }

    VirtualScheduler scheduler;
    ClientCore client{scheduler,
                      {.own_handle = machine, .owner = {}, .other_contacts = {}, .version = "1"}};
    std::unique_ptr<XmppOwnerSide> side;
    PretendDevice* device = nullptr;
    std::map<QString, std::map<QString, QString>> pep;  // account -> node -> payload
    bool refuse_options = false;
    QStringList sent, lines, published;
    qsizetype served = 0;

    void SetUp() override {
        client.notify = [this](const QString& line) { lines.append(line); };
        client.handle("NAME VideoQuelm");
    }
};

// What the owner sends, how the machine takes it, and how its answer leaves, by policy, by the
// devices the owner published and by the fingerprints the owner verified.
TEST_F(OmemoTest, CommandsAndAnswersFollowThePolicy) {
    const QString refused = XmppOwnerSide::plain_refused_line;
    struct Case {
        Encryption encryption;
        std::vector<DeviceId> devices;
        QStringList fingerprints;
        QString in;  // "plain X", "from N X" (encrypted by device N), "stranger X"
        QStringList obeyed;
        QStringList out;  // the machine's messages, then its answer "ok" when obeyed
    };
    const QString fp31 = fingerprint_of(31);
    const Case cases[] = {
        {Encryption::omemo, {31}, {}, "plain status", {}, {"sealed[31] " + refused}},
        {Encryption::omemo, {}, {}, "plain status", {}, {"plain " + refused}},
        {Encryption::optional, {31}, {}, "plain status", {"status"}, {"sealed[31] ok"}},
        {Encryption::optional, {}, {}, "plain status", {"status"}, {"plain ok"}},
        {Encryption::off, {31}, {}, "plain status", {"status"}, {"plain ok"}},
        {Encryption::off,
         {31},
         {},
         "from 31 status",
         {},
         {"plain " + XmppOwnerSide::encryption_off_line}},
        {Encryption::omemo,
         {31, 32},
         {},
         "from 31 motion off",
         {"motion off"},
         {"sealed[31,32] ok"}},
        {Encryption::omemo, {31, 32}, {fp31}, "from 31 status", {"status"}, {"sealed[31] ok"}},
        {Encryption::omemo,
         {31, 32},
         {fp31},
         "from 32 status",
         {},
         {"sealed[31] Not obeyed: sent from a device that is not in owner_fingerprints: " +
          XmppAccount::grouped(fingerprint_of(32)) + "."}},
        {Encryption::omemo,
         {31},
         {},
         "from 31 damaged",
         {},
         {"sealed[31] " + XmppOmemo::cannot_decrypt_line}},
        {Encryption::omemo, {31}, {}, "from 31 ", {}, {}},  // a key transport
        {Encryption::omemo, {31}, {}, "stranger status", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in.toStdString() + " devices " + std::to_string(c.devices.size()) +
                     " policy " + XmppAccount::encryption_name(c.encryption).toStdString());
        pep.clear();
        owner_has(c.devices);
        if (c.devices.empty()) pep[owner].clear();
        make(c.encryption, c.fingerprints);
        serve();
        const qsizetype before = sent.size();
        const QString text = c.in.section(' ', 2);
        if (c.in.startsWith("plain"))
            receive("<message from='" + owner + "/phone' type='chat'><body>" +
                    c.in.section(' ', 1) + "</body></message>");
        else if (c.in.startsWith("from"))
            receive(encrypted_from(c.in.section(' ', 1, 1).toUInt(), text.toUtf8()));
        else
            receive("<message from='stranger@example.org/a' type='chat'>" +
                    encrypted_from(31, "x").section('>', 1));
        const QStringList got = obeyed();
        EXPECT_EQ(got, c.obeyed);
        if (!got.isEmpty()) side->send_line(owner, "ok");
        serve();
        scheduler.run_for(100);
        EXPECT_EQ(messages(before), c.out) << sent.mid(before).join('\n').toStdString();
        if (c.in.startsWith("stranger")) EXPECT_EQ(device->decrypted, 0);
    }
}

// At the stream's start nothing leaves before the owner's devices are known: not in clear by a
// race, not lost while the server is slow to tell. The machine's own device is put back in the
// account's list whenever it is missing there, and its bundle again after a pre-key was used.
TEST_F(OmemoTest, LinesWaitForTheDevicesAndTheMachineKeepsItsOwnPublished) {
    pep[machine][omemo::xml::devicelist_node] = omemo::xml::device_list_xml({3});
    owner_has({31});
    make(Encryption::omemo);
    side->send_line(owner, "Alarm!");
    side->send_line(owner, "second");
    EXPECT_EQ(messages(), QStringList());
    // No answer at all: still nothing in clear, and the machine asks again.
    scheduler.run_for(XmppOwnerSide::iq_timeout_ms + 10);
    EXPECT_EQ(messages(), QStringList());
    serve();
    EXPECT_EQ(messages(), QStringList({"sealed[31] Alarm!", "sealed[31] second"}));
    // Its id joined the others in the list; the bundle was published open to anyone.
    EXPECT_EQ(omemo::xml::parse_device_list([&] {
                  QDomDocument d;
                  d.setContent(pep[machine][omemo::xml::devicelist_node], true);
                  return d.documentElement();
              }()),
              std::vector<DeviceId>({3, ours}));
    EXPECT_TRUE(published.contains(QString(omemo::xml::bundle_node_prefix) + "7 open"));

    struct Case {
        QString event;  // a notification the server sends, or "pre-key" for a decryption
        bool refuse_options;
        QStringList published;
    };
    const auto list_event = [](const QString& from, std::vector<DeviceId> ids) {
        return "<message from='" + from +
               "' type='headline'><event "
               "xmlns='http://jabber.org/protocol/pubsub#event'><items node='" +
               omemo::xml::devicelist_node + "'><item id='current'>" +
               omemo::xml::device_list_xml(ids) + "</item></items></event></message>";
    };
    const QString devicelist = omemo::xml::devicelist_node;
    const Case cases[] = {
        {list_event(machine, {3}), false, {devicelist + " open"}},
        {list_event(machine, {3, ours}), false, {}},
        {"<message from='" + machine +
             "' type='headline'><event "
             "xmlns='http://jabber.org/protocol/pubsub#event'><delete node='" +
             devicelist + "'/></event></message>",
         true,
         {devicelist + " open", devicelist}},
        {"pre-key", false, {QString(omemo::xml::bundle_node_prefix) + "7 open"}},
        {list_event("stranger@example.org", {}), false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.event.toStdString());
        published.clear();
        refuse_options = c.refuse_options;
        if (c.event == "pre-key")
            receive(encrypted_from(31, "status"));
        else
            receive(c.event);
        serve();
        EXPECT_EQ(published, c.published);
    }
}

// A device that joins the owner's account is told to the owner, on the devices the machine
// writes to, with its fingerprint; with fingerprints set it is not written to.
TEST_F(OmemoTest, ANewOwnerDeviceIsToldWithItsFingerprint) {
    const auto join = [this](std::vector<DeviceId> ids) {
        owner_has(ids);
        receive("<message from='" + owner +
                "' type='headline'><event "
                "xmlns='http://jabber.org/protocol/pubsub#event'><items node='" +
                omemo::xml::devicelist_node + "'><item id='current'>" +
                omemo::xml::device_list_xml(ids) + "</item></items></event></message>");
        serve();
        scheduler.run_for(100);
    };
    const QString fp33 = XmppAccount::grouped(fingerprint_of(33));
    const std::tuple<QStringList, QStringList> cases[] = {
        {{},
         {"sealed[31,33] A new device of yours can now read what I send: " + fp33 +
          ". If it is not yours, name your devices in owner_fingerprints."}},
        {{fingerprint_of(31)},
         {"sealed[31] A new device of yours is not trusted: " + fp33 +
          ". If it is yours, add it to owner_fingerprints."}},
    };
    for (const auto& [fingerprints, told] : cases) {
        pep.clear();
        owner_has({31});
        make(Encryption::omemo, fingerprints);
        side->send_line(owner, "hello");
        serve();
        const qsizetype before = sent.size();
        join({31, 33});
        EXPECT_EQ(messages(before), told);
    }
}

}  // namespace
