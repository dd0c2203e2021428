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

omemo::Bundle bundle_of(DeviceId device) {
    return {identity(device), 1, identity(1), QByteArray(64, 's'), {{1, identity(2)}}};
}

// Keeps its "sessions" and sends bodies as they are (the test reads them from the payload); a
// payload "damaged" does not decrypt.
struct PretendDevice : OmemoDevice {
    omemo::DeviceId device_id() const override { return ours; }
    QString fingerprint() const override { return fingerprint_of(ours); }
    omemo::Bundle bundle() const override { return bundle_of(ours); }
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
    bool knows_contact(const QString&) const override { return !sessions.empty(); }
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
    // `kept`: the owner's devices whose identities earlier runs kept.
    void make(Encryption encryption, QStringList fingerprints = {},
              const std::vector<DeviceId>& kept = {}) {
        side.reset();
        sent.clear();
        auto made = std::make_unique<PretendDevice>();
        for (const DeviceId device : kept) made->sessions[device] = fingerprint_of(device);
        device = made.get();
        side = std::make_unique<XmppOwnerSide>(
            client, scheduler, XmppOwnerSide::Options{"example.org", {}, 10, {}, {}});
        side->send = [this](const QString& stanza) { sent.append(stanza); };
        side->call_target = [] { return owner; };
        side->use_omemo(std::move(made), encryption, fingerprints);
        side->stream_up(machine + "/vq");
        receive("<iq type='result' id='" +  // the roster, the first question
                QRegularExpression("id=\"([^\"]+)\"").match(sent.first()).captured(1) +
                "'><query xmlns='jabber:iq:roster'><item jid='" + owner +
                "' subscription='both'/></query></iq>");
        served = 1;
    }
    void receive(const QString& xml) {
        QDomDocument document;
        ASSERT_TRUE(document.setContent(xml, true)) << xml.toStdString();
        side->receive(document.documentElement());
    }
    static QDomElement parsed(const QString& xml) {
        QDomDocument document;
        document.setContent(xml, true);
        return document.documentElement();
    }
    // The owner's published devices, as the PEP service holds them.
    void owner_has(const std::vector<DeviceId>& devices) {
        pep[owner + omemo::xml::devicelist_node] = omemo::xml::device_list_xml(devices);
        for (const DeviceId device : devices)
            pep[owner + omemo::xml::bundle_node_prefix + QString::number(device)] =
                omemo::xml::bundle_xml(bundle_of(device));
    }
    // Answers every PEP question the machine asked since the last call, as a server would.
    void serve() {
        for (; served < sent.size(); ++served) {
            const QDomElement iq = parsed(sent[served]);
            const QDomElement pubsub = iq.firstChildElement("pubsub");
            if (iq.tagName() != "iq" || pubsub.isNull()) continue;
            const QString to = iq.attribute("to", machine);
            const QString answer = "<iq id='" + iq.attribute("id") + "' from='" + to + "' type=";
            const auto refuse = [&](const QString& condition) {
                receive(answer + "'error'><error type='cancel'><" + condition +
                        " xmlns='urn:ietf:params:xml:ns:xmpp-stanzas'/></error></iq>");
            };
            const QDomElement publish = pubsub.firstChildElement("publish");
            const QString node = publish.isNull()
                                     ? pubsub.firstChildElement("items").attribute("node")
                                     : publish.attribute("node");
            if (!publish.isNull()) {
                const bool open = !pubsub.firstChildElement("publish-options").isNull();
                published.append(node + (open ? " open" : ""));
                if (open && refuse_options) {
                    refuse("precondition-not-met");
                    continue;
                }
                pep[machine + node].clear();
                QTextStream stream(&pep[machine + node]);
                publish.firstChildElement("item").firstChildElement().save(stream, 0);
                receive(answer + "'result'/>");
            } else if (!pep.contains(to + node)) {
                refuse("item-not-found");
            } else {
                receive(answer + "'result'><pubsub xmlns='http://jabber.org/protocol/pubsub'>" +
                        "<items node='" + node + "'><item id='current'>" + pep[to + node] +
                        "</item></items></pubsub></iq>");
            }
        }
    }
    // The messages sent since `from`: "plain <body>" or "sealed[<devices>] <body>".
    QStringList messages(qsizetype from = 0) const {
        QStringList out;
        for (const QString& stanza : sent.mid(from)) {
            const QDomElement message = parsed(stanza);
            const auto envelope =
                omemo::xml::parse_envelope(xmpp::child(message, "encrypted", omemo::xml::ns));
            QStringList devices;
            for (const auto& key : envelope ? envelope->keys : std::vector<omemo::KeyForDevice>{})
                devices += QString::number(key.device);
            if (message.tagName() == "message")
                out += envelope ? "sealed[" + devices.join(',') + "] " + envelope->payload
                                : "plain " + message.firstChildElement("body").text();
        }
        return out;
    }
    QString encrypted_from(DeviceId device, const QByteArray& payload,
                           const QString& from = owner) const {
        return "<message from='" + from + "/phone' type='chat'><body>fallback</body>" +
               omemo::xml::envelope_xml(
                   {device, {{ours, "key", true}}, QByteArray(12, 'i'), payload}) +
               "</message>";
    }
    QString list_event(const QString& from, const std::vector<DeviceId>& ids) const {
        return "<message from='" + from + "' type='headline'><event xmlns='" +
               xmpp::ns_pubsub_event + "'><items node='" + omemo::xml::devicelist_node +
               "'><item id='current'>" + omemo::xml::device_list_xml(ids) +
               "</item></items></event></message>";
    }

    VirtualScheduler scheduler;
    ClientCore client{scheduler,
                      {.own_handle = machine, .owner = {}, .other_contacts = {}, .version = "1"}};
    std::unique_ptr<XmppOwnerSide> side;
    PretendDevice* device = nullptr;
    std::map<QString, QString> pep;  // account and node -> payload
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
    const QString fp31 = fingerprint_of(31);
    struct Case {
        Encryption encryption;
        std::vector<DeviceId> devices;
        QStringList fingerprints;
        QString in;       // "plain X", or "N X": encrypted by the owner's device N
        bool obeyed;      // then the machine answers "ok"
        QStringList out;  // the machine's messages
    };
    const Case cases[] = {
        {Encryption::omemo, {31}, {}, "plain status", false, {"sealed[31] " + refused}},
        {Encryption::omemo, {}, {}, "plain status", false, {"plain " + refused}},
        {Encryption::optional, {31}, {}, "plain status", true, {"sealed[31] ok"}},
        {Encryption::optional, {}, {}, "plain status", true, {"plain ok"}},
        {Encryption::off, {31}, {}, "plain status", true, {"plain ok"}},
        {Encryption::off,
         {31},
         {},
         "31 status",
         false,
         {"plain " + XmppOwnerSide::encryption_off_line}},
        {Encryption::omemo, {31, 32}, {}, "31 status", true, {"sealed[31,32] ok"}},
        {Encryption::omemo, {31, 32}, {fp31}, "31 status", true, {"sealed[31] ok"}},
        {Encryption::omemo,
         {31, 32},
         {fp31},
         "32 status",
         false,
         {"sealed[31] Not obeyed: sent from a device that is not in owner_fingerprints: " +
          XmppAccount::grouped(fingerprint_of(32)) + "."}},
        {Encryption::omemo,
         {31},
         {},
         "31 damaged",
         false,
         {"sealed[31] " + XmppOmemo::cannot_decrypt_line}},
        {Encryption::omemo, {31}, {}, "31 ", false, {}},  // a key transport: taken in, no more
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in.toStdString() + " policy " +
                     XmppAccount::encryption_name(c.encryption).toStdString());
        pep.clear();
        if (!c.devices.empty()) owner_has(c.devices);
        make(c.encryption, c.fingerprints);
        serve();
        const qsizetype before = sent.size();
        lines.clear();
        if (c.in.startsWith("plain"))
            receive("<message from='" + owner + "/phone' type='chat'><body>" +
                    c.in.section(' ', 1) + "</body></message>");
        else
            receive(
                encrypted_from(c.in.section(' ', 0, 0).toUInt(), c.in.section(' ', 1).toUtf8()));
        scheduler.run_for(100);
        EXPECT_EQ(lines.filter("RECEIVED").size(), c.obeyed ? 1 : 0);
        if (c.obeyed) side->send_line(owner, "ok");
        serve();
        EXPECT_EQ(messages(before), c.out) << sent.mid(before).join('\n').toStdString();
    }
    // A stranger's encrypted message is dropped unread.
    receive(encrypted_from(31, "motion off", "stranger@example.org"));
    EXPECT_EQ(device->decrypted, 1);
}

// At the stream's start nothing leaves before the owner's devices are known: not in clear by a
// race, not lost while the server is slow to tell. The machine's own device is put back in the
// account's list whenever it is missing there, and its bundle again after a pre-key was used. A
// device that joins the owner's account is told to the owner, with its fingerprint.
TEST_F(OmemoTest, LinesWaitForTheDevicesAndTheMachineKeepsItsOwnPublished) {
    pep[machine + omemo::xml::devicelist_node] = omemo::xml::device_list_xml({3});
    owner_has({31});
    make(Encryption::omemo);
    side->send_line(owner, "Alarm!");
    scheduler.run_for(XmppOwnerSide::iq_timeout_ms + 10);  // no answers: asked again
    EXPECT_EQ(messages(), QStringList());
    serve();
    EXPECT_EQ(messages(), QStringList({"sealed[31] Alarm!"}));
    EXPECT_EQ(omemo::xml::parse_device_list(parsed(pep[machine + omemo::xml::devicelist_node])),
              std::vector<DeviceId>({3, ours}));
    const QString devicelist = omemo::xml::devicelist_node;
    const std::tuple<QString, bool, QStringList> cases[] = {
        // a notification the server sends, or "pre-key": a decryption; refusing publish-options
        {list_event(machine, {3}), false, {devicelist + " open"}},
        {list_event(machine, {3, ours}), false, {}},
        {"<message from='" + machine + "' type='headline'><event xmlns='" + xmpp::ns_pubsub_event +
             "'><delete node='" + devicelist + "'/></event></message>",
         true,
         {devicelist + " open", devicelist}},
        {"pre-key", false, {QString(omemo::xml::bundle_node_prefix) + "7 open"}},
        {list_event("stranger@example.org", {}), false, {}},
    };
    for (const auto& [event, refuse, expected] : cases) {
        SCOPED_TRACE(event.toStdString());
        published.clear();
        refuse_options = refuse;
        receive(event == "pre-key" ? encrypted_from(31, "status") : event);
        serve();
        EXPECT_EQ(published, expected);
    }
    const qsizetype before = sent.size();
    owner_has({31, 33});
    receive(list_event(owner, {31, 33}));
    serve();
    EXPECT_EQ(messages(before),
              QStringList("sealed[31,33] A new device of yours can now read what I send: " +
                          XmppAccount::grouped(fingerprint_of(33)) +
                          ". If it is not yours, name your devices in owner_fingerprints."));
}

// After a restart the owner's list is compared with the identities the last runs kept: a device
// added while the machine was off is told; on a first start, or with nothing new, nothing is.
TEST_F(OmemoTest, ADeviceAddedWhileTheMachineWasOffIsToldAfterARestart) {
    const QString told = "A new device of yours can now read what I send: " +
                         XmppAccount::grouped(fingerprint_of(35));
    const std::tuple<const char*, std::vector<DeviceId>, std::vector<DeviceId>, QStringList>
        cases[] = {
            {"added while off", {31}, {31, 35}, {"sealed[31,35] " + told}},
            {"first start", {}, {31, 35}, {}},
            {"nothing new", {31, 35}, {31, 35}, {}},
            {"one gone", {31, 35}, {31}, {}},
        };
    for (const auto& [name, kept, now, expected] : cases) {
        SCOPED_TRACE(name);
        pep.clear();
        owner_has(now);
        make(Encryption::omemo, {}, kept);
        serve();
        QStringList shortened;
        for (const QString& message : messages()) shortened += message.section(". If", 0, 0);
        EXPECT_EQ(shortened, expected);
    }
}

}  // namespace
