#include "platform/xmpp/xmpp_stanzas.h"

#include <QCryptographicHash>
#include <QDomDocument>
#include <QUuid>
#include <QXmlStreamWriter>

namespace xmpp {

namespace {
const QString caps_node = QStringLiteral("https://videoquelm.invalid/caps");
const QString identity_name = QStringLiteral("Video Quelm");

// The verification string's SHA-1, so a contact's app can learn what we do once and cache it.
QString caps_version(bool media_calls, bool omemo) {
    QString text = QStringLiteral("client/pc//") + identity_name + '<';
    for (const QString& feature : features(media_calls, omemo)) text += feature + '<';
    return QString::fromLatin1(
        QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha1).toBase64());
}

QString write(const std::function<void(QXmlStreamWriter&)>& content) {
    QString text;
    QXmlStreamWriter writer(&text);
    content(writer);
    return text;
}

void start(QXmlStreamWriter& w, const QString& name, const char* ns) {
    w.writeStartElement(name);
    w.writeDefaultNamespace(QLatin1String(ns));
}

void attribute_if(QXmlStreamWriter& w, const QString& name, const QString& value) {
    if (!value.isEmpty()) w.writeAttribute(name, value);
}

void write_element(QXmlStreamWriter& w, const QDomElement& e, const QString& parent_ns) {
    w.writeStartElement(e.localName());
    if (e.namespaceURI() != parent_ns) w.writeDefaultNamespace(e.namespaceURI());
    const QDomNamedNodeMap attributes = e.attributes();
    for (int n = 0; n < attributes.count(); ++n) {
        const QDomAttr a = attributes.item(n).toAttr();
        w.writeAttribute(a.localName().isEmpty() ? a.name() : a.localName(), a.value());
    }
    for (QDomNode c = e.firstChild(); !c.isNull(); c = c.nextSibling()) {
        if (c.isElement())
            write_element(w, c.toElement(), e.namespaceURI());
        else if (c.isText())
            w.writeCharacters(c.nodeValue());
    }
    w.writeEndElement();
}
}  // namespace

Children element(const QString& xml) {
    return [xml](QXmlStreamWriter& w) {
        QDomDocument document;
        if (document.setContent(xml, true)) write_element(w, document.documentElement(), {});
    };
}

// Apps decide from these whether they can call the machine at all (Dino insists on an audio
// transport), so they name the calls only when media can carry them.
QStringList features(bool media_calls, bool omemo) {
    QStringList all = {QLatin1String(ns_disco_info), QLatin1String(ns_jmi), QLatin1String(ns_oob),
                       QLatin1String(ns_ping)};
    // Asks the server to tell the machine of changes to its contacts' (and its own) devices.
    if (omemo) all << QStringLiteral("eu.siacs.conversations.axolotl.devicelist+notify");
    if (media_calls)
        all << QStringLiteral("urn:xmpp:jingle:1") << QLatin1String(ns_rtp)
            << QStringLiteral("urn:xmpp:jingle:apps:rtp:audio")
            << QStringLiteral("urn:xmpp:jingle:apps:rtp:video")
            << QStringLiteral("urn:xmpp:jingle:transports:ice-udp:1")
            << QStringLiteral("urn:xmpp:jingle:apps:dtls:0");
    all.sort();
    return all;
}

QString new_id() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QString bare(const QString& jid) {
    return jid.section('/', 0, 0);
}

QString bare_key(const QString& jid) {
    return bare(jid).toCaseFolded();
}

bool same_account(const QString& a, const QString& b) {
    return bare_key(a) == bare_key(b);
}

QString chat_message(const QString& to, const QString& body, const Children& children) {
    return write([&](QXmlStreamWriter& w) {
        w.writeStartElement(QStringLiteral("message"));
        w.writeAttribute(QStringLiteral("to"), to);
        w.writeAttribute(QStringLiteral("type"), QStringLiteral("chat"));
        w.writeAttribute(QStringLiteral("id"), new_id());
        if (!body.isEmpty()) w.writeTextElement(QStringLiteral("body"), body);
        if (children) children(w);
        w.writeEndElement();
    });
}

QString picture_message(const QString& to, const QString& url) {
    return chat_message(to, url, [&url](QXmlStreamWriter& w) {
        start(w, QStringLiteral("x"), ns_oob);
        w.writeTextElement(QStringLiteral("url"), url);
        w.writeEndElement();
    });
}

QString call_message(const QString& to, const QString& action, const QString& session_id,
                     bool media_calls) {
    return chat_message(to, {}, [&](QXmlStreamWriter& w) {
        start(w, action, ns_jmi);
        w.writeAttribute(QStringLiteral("id"), session_id);
        if (action == QLatin1String("propose")) {
            QStringList media = {QStringLiteral("video")};
            if (media_calls) media.prepend(QStringLiteral("audio"));
            for (const QString& kind : media) {
                start(w, QStringLiteral("description"), ns_rtp);
                w.writeAttribute(QStringLiteral("media"), kind);
                w.writeEndElement();
            }
        }
        w.writeEndElement();
        // Kept in the archive and sent on to a phone that is offline now.
        start(w, QStringLiteral("store"), "urn:xmpp:hints");
        w.writeEndElement();
    });
}

QString presence(const QString& to, const QString& type) {
    return write([&](QXmlStreamWriter& w) {
        w.writeStartElement(QStringLiteral("presence"));
        attribute_if(w, QStringLiteral("to"), to);
        attribute_if(w, QStringLiteral("type"), type);
        w.writeEndElement();
    });
}

QString available_presence(bool media_calls, bool omemo) {
    return write([media_calls, omemo](QXmlStreamWriter& w) {
        w.writeStartElement(QStringLiteral("presence"));
        w.writeTextElement(QStringLiteral("priority"), QStringLiteral("1"));
        start(w, QStringLiteral("c"), ns_caps);
        w.writeAttribute(QStringLiteral("hash"), QStringLiteral("sha-1"));
        w.writeAttribute(QStringLiteral("node"), caps_node);
        w.writeAttribute(QStringLiteral("ver"), caps_version(media_calls, omemo));
        w.writeEndElement();
        w.writeEndElement();
    });
}

QString iq(const QString& to, const QString& type, const QString& id, const Children& children) {
    return write([&](QXmlStreamWriter& w) {
        w.writeStartElement(QStringLiteral("iq"));
        attribute_if(w, QStringLiteral("to"), to);
        w.writeAttribute(QStringLiteral("type"), type);
        w.writeAttribute(QStringLiteral("id"), id);
        if (children) children(w);
        w.writeEndElement();
    });
}

QString empty_result(const QDomElement& request) {
    return iq(request.attribute(QStringLiteral("from")), QStringLiteral("result"),
              request.attribute(QStringLiteral("id")), {});
}

QString error_reply(const QDomElement& request, const QString& type, const QString& condition) {
    return iq(request.attribute(QStringLiteral("from")), QStringLiteral("error"),
              request.attribute(QStringLiteral("id")), [&](QXmlStreamWriter& w) {
                  w.writeStartElement(QStringLiteral("error"));
                  w.writeAttribute(QStringLiteral("type"), type);
                  start(w, condition, ns_stanzas);
                  w.writeEndElement();
                  w.writeEndElement();
              });
}

QString disco_info_result(const QDomElement& request, bool media_calls, bool omemo) {
    const QString node =
        child(request, QStringLiteral("query"), ns_disco_info).attribute(QStringLiteral("node"));
    return iq(request.attribute(QStringLiteral("from")), QStringLiteral("result"),
              request.attribute(QStringLiteral("id")), [&](QXmlStreamWriter& w) {
                  start(w, QStringLiteral("query"), ns_disco_info);
                  attribute_if(w, QStringLiteral("node"), node);
                  w.writeStartElement(QStringLiteral("identity"));
                  w.writeAttribute(QStringLiteral("category"), QStringLiteral("client"));
                  w.writeAttribute(QStringLiteral("type"), QStringLiteral("pc"));
                  w.writeAttribute(QStringLiteral("name"), identity_name);
                  w.writeEndElement();
                  for (const QString& feature : features(media_calls, omemo)) {
                      w.writeStartElement(QStringLiteral("feature"));
                      w.writeAttribute(QStringLiteral("var"), feature);
                      w.writeEndElement();
                  }
                  w.writeEndElement();
              });
}

QDomElement child(const QDomElement& parent, const QString& name, const char* ns) {
    for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        if ((name.isEmpty() || e.localName() == name) && e.namespaceURI() == QLatin1String(ns))
            return e;
    return {};
}

QDateTime delay_stamp(const QDomElement& stanza) {
    const QDomElement delay = child(stanza, QStringLiteral("delay"), ns_delay);
    if (delay.isNull()) return {};
    return QDateTime::fromString(delay.attribute(QStringLiteral("stamp")), Qt::ISODateWithMs);
}

QString with_delay(const QString& message, const QDateTime& sent) {
    const QString end = QStringLiteral("</message>");
    if (!message.endsWith(end)) return message;
    const QString delay = write([&](QXmlStreamWriter& w) {
        start(w, QStringLiteral("delay"), ns_delay);
        w.writeAttribute(QStringLiteral("stamp"),
                         sent.toUTC().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss.zzzZ")));
        w.writeEndElement();
    });
    return message.left(message.size() - end.size()) + delay + end;
}

}  // namespace xmpp
