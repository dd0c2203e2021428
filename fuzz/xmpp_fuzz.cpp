// Fuzzes what anyone who knows the machine's address can send it over XMPP. Each input is a series
// of stanzas, one a line, that reach the owner side of a machine whose roster holds its owner:
// each is taken as the stream takes it from the server (weighed, shown to the owner side's
// filter, parsed), then parsed directly and handed past the filter, as a contact's would be.
// Then enough time passes for every time-out to run.
#include <QByteArray>
#include <QDomDocument>
#include <QRegularExpression>
#include <cstdint>
#include <cstdlib>

#include "client/client_core.h"
#include "platform/xmpp/xmpp_owner_side.h"
#include "platform/xmpp/xmpp_stream.h"
#include "time/virtual_scheduler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    VirtualScheduler scheduler;
    ClientCore client(
        scheduler,
        {.own_handle = "machine@example.org", .owner = {}, .other_contacts = {}, .version = "1"});
    XmppOwnerSide side(client, scheduler, {"example.org", {}, 10, {}, {}});
    XmppStream stream;
    QString roster_id;
    side.send = [&](const QString& stanza) {
        if (stanza.contains(QLatin1String("jabber:iq:roster")))
            roster_id =
                QRegularExpression(QStringLiteral("id=\"([^\"]+)\"")).match(stanza).captured(1);
    };
    side.call_target = [] { return QStringLiteral("Owner@example.org"); };
    stream.admit = [&](const xmpp::Head& head) { return side.admits(head); };
    stream.on_stanza = [&](const QDomElement& stanza) { side.receive(stanza); };
    client.handle(QStringLiteral("NAME fuzz"));
    side.stream_up(QStringLiteral("machine@example.org/vq"));
    stream.receive_text(QStringLiteral("<iq type='result' id='%1'><query xmlns='jabber:iq:roster'>"
                                       "<item jid='owner@example.org' subscription='both'/>"
                                       "</query></iq>")
                            .arg(roster_id));
    if (client.contacts().size() != 1) std::abort();

    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const QByteArray& line : input.split('\n')) {
        const QString text = QString::fromUtf8(line);
        stream.receive_text(text);
        QDomDocument document;
        if (document.setContent(text, true)) side.receive(document.documentElement());
        scheduler.run_for(50);
    }
    scheduler.run_for(XmppOwnerSide::iq_timeout_ms + 1000);
    return 0;
}
