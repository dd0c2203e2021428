#pragma once

// The XMPP account's owner side without a server, in virtual time: stanzas go in as the server
// would deliver them, and the test reads the lines the program would get and the stanzas the
// machine sends.
#include <gtest/gtest.h>

#include <QDomDocument>
#include <QRegularExpression>

#include "client/client_core.h"
#include "platform/xmpp/xmpp_owner_side.h"
#include "qt_printers.h"
#include "time/virtual_scheduler.h"

inline QString captured(const QString& text, const QString& pattern) {
    return QRegularExpression(pattern).match(text).captured(1);
}

struct OwnerSideFixture : ::testing::Test {
    explicit OwnerSideFixture(XmppOwnerSide::Options options = {"example.org", {}, 10, {}, {}})
        : side{client, scheduler, std::move(options)} {
        side.send = [this](const QString& stanza) { sent.append(stanza); };
        client.notify = [this](const QString& line) { lines.append(line); };
        client.handle("NAME VideoQuelm");
        side.stream_up("machine@example.org/vq");
    }
    void receive(const QString& xml) {
        QDomDocument document;
        ASSERT_TRUE(document.setContent(xml, true)) << xml.toStdString();
        side.receive(document.documentElement());
    }
    // Answers the machine's next unanswered question (an IQ) with `type` and the content.
    void answer_next_iq(const QString& type, const QString& content = {},
                        const QString& from = "example.org") {
        const QString id = captured(sent.filter("<iq ").value(asked++), "<iq [^>]*id=\"([^\"]+)\"");
        receive("<iq xmlns='jabber:client' from='" + from + "' type='" + type + "' id='" + id +
                "'>" + content + "</iq>");
    }
    // The roster the server answers the first request with.
    void roster(const QString& items) {
        answer_next_iq("result", "<query xmlns='jabber:iq:roster'>" + items + "</query>", {});
    }
    QString all() const { return sent.join('\n'); }

    VirtualScheduler scheduler;
    ClientCore client{
        scheduler,
        {.own_handle = "machine@example.org", .owner = {}, .other_contacts = {}, .version = "1"}};
    XmppOwnerSide side;
    QStringList sent, lines;
    int asked = 0;  // the machine's IQs answered so far
};
