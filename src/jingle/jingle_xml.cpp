#include "jingle/jingle_xml.h"

#include <QUuid>

namespace jingle {

namespace {

QString attr(const QDomElement& e, const char* name) {
    return e.attribute(QLatin1String(name));
}

int number(const QDomElement& e, const char* name, int fallback = 0) {
    bool ok = false;
    const int value = attr(e, name).toInt(&ok);
    return ok ? value : fallback;
}

// The element's children named `name` in namespace `ns` (any name when empty).
std::vector<QDomElement> children(const QDomElement& parent, const char* name, const char* ns) {
    std::vector<QDomElement> found;
    for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        if ((!name || e.localName() == QLatin1String(name)) &&
            e.namespaceURI() == QLatin1String(ns))
            found.push_back(e);
    return found;
}

QDomElement child(const QDomElement& parent, const char* name, const char* ns) {
    const auto found = children(parent, name, ns);
    return found.empty() ? QDomElement() : found.front();
}

Senders senders_from(const QString& text) {
    if (text == QLatin1String("initiator")) return Senders::initiator;
    if (text == QLatin1String("responder")) return Senders::responder;
    if (text == QLatin1String("none")) return Senders::none;
    return Senders::both;
}

QString senders_name(Senders senders) {
    switch (senders) {
        case Senders::initiator:
            return QStringLiteral("initiator");
        case Senders::responder:
            return QStringLiteral("responder");
        case Senders::none:
            return QStringLiteral("none");
        case Senders::both:
            break;
    }
    return QStringLiteral("both");
}

std::vector<Parameter> parameters(const QDomElement& parent, const char* ns) {
    std::vector<Parameter> found;
    for (const QDomElement& p : children(parent, "parameter", ns))
        found.push_back({attr(p, "name"), attr(p, "value")});
    return found;
}

std::vector<Feedback> feedback(const QDomElement& parent) {
    std::vector<Feedback> found;
    for (const QDomElement& f : children(parent, "rtcp-fb", ns::rtcp_fb))
        found.push_back({attr(f, "type"), attr(f, "subtype")});
    return found;
}

Candidate candidate(const QDomElement& e) {
    Candidate c;
    c.foundation = attr(e, "foundation");
    c.component = number(e, "component", 1);
    c.protocol = attr(e, "protocol").toLower();
    c.priority = attr(e, "priority").toUInt();
    c.ip = attr(e, "ip");
    c.port = number(e, "port");
    c.type = attr(e, "type");
    c.rel_addr = attr(e, "rel-addr");
    c.rel_port = number(e, "rel-port");
    c.generation = number(e, "generation");
    c.network = number(e, "network");
    c.id = attr(e, "id");
    return c;
}

// ICE-UDP carries UDP candidates only; a TCP one some apps add is left out.
Transport transport(const QDomElement& e) {
    Transport t;
    t.ufrag = attr(e, "ufrag");
    t.pwd = attr(e, "pwd");
    const QDomElement fingerprint = child(e, "fingerprint", ns::dtls);
    if (!fingerprint.isNull() && !fingerprint.text().trimmed().isEmpty())
        t.fingerprint = Fingerprint{attr(fingerprint, "hash"), fingerprint.text().trimmed(),
                                    attr(fingerprint, "setup")};
    for (const QDomElement& c : children(e, "candidate", ns::ice_udp)) {
        Candidate read = candidate(c);
        if (read.protocol == QLatin1String("udp") && !read.ip.isEmpty() && read.port > 0)
            t.candidates.push_back(read);
    }
    return t;
}

void description(const QDomElement& e, Content& content) {
    content.media = attr(e, "media");
    content.rtcp_mux = !child(e, "rtcp-mux", ns::rtp).isNull();
    content.extmap_allow_mixed = !child(e, "extmap-allow-mixed", ns::hdrext).isNull();
    for (const QDomElement& p : children(e, "payload-type", ns::rtp)) {
        PayloadType payload;
        payload.id = number(p, "id", -1);
        payload.name = attr(p, "name");
        payload.clockrate = number(p, "clockrate");
        payload.channels = number(p, "channels", 1);
        payload.parameters = parameters(p, ns::rtp);
        payload.feedback = feedback(p);
        if (payload.id >= 0 && payload.id < 128) content.payloads.push_back(payload);
    }
    content.feedback = feedback(e);
    for (const QDomElement& x : children(e, "rtp-hdrext", ns::hdrext))
        content.extensions.push_back({number(x, "id"), attr(x, "uri")});
    for (const QDomElement& s : children(e, "source", ns::ssma))
        content.sources.push_back({attr(s, "ssrc").toUInt(), parameters(s, ns::ssma)});
    for (const QDomElement& g : children(e, "ssrc-group", ns::ssma)) {
        SourceGroup group{attr(g, "semantics"), {}};
        for (const QDomElement& s : children(g, "source", ns::ssma))
            group.ssrcs.push_back(attr(s, "ssrc").toUInt());
        content.source_groups.push_back(group);
    }
}

QStringList bundle(const QDomElement& jingle) {
    QStringList names;
    for (const QDomElement& g : children(jingle, "group", ns::grouping))
        if (attr(g, "semantics") == QLatin1String("BUNDLE"))
            for (const QDomElement& c : children(g, "content", ns::grouping))
                names.append(attr(c, "name"));
    return names;
}

Read<SessionDescription> read(const QDomElement& jingle, bool with_descriptions) {
    SessionDescription session;
    for (const QDomElement& e : children(jingle, "content", ns::jingle)) {
        Content content;
        content.name = attr(e, "name");
        content.creator = e.attribute(QStringLiteral("creator"), QStringLiteral("initiator"));
        content.senders = senders_from(attr(e, "senders"));
        if (content.name.isEmpty() || session.index_of(content.name) >= 0)
            return Read<SessionDescription>::fail(Problem::malformed,
                                                  "a content without a name of its own");
        const QDomElement ice = child(e, "transport", ns::ice_udp);
        if (ice.isNull())
            return Read<SessionDescription>::fail(Problem::unsupported_transport,
                                                  "content " + content.name + " is not on ICE-UDP");
        content.transport = transport(ice);
        if (with_descriptions) {
            const QDomElement rtp = child(e, "description", ns::rtp);
            const QString media = attr(rtp, "media");
            if (rtp.isNull() ||
                (media != QLatin1String("audio") && media != QLatin1String("video")))
                return Read<SessionDescription>::fail(
                    Problem::unsupported_application,
                    "content " + content.name + " is not RTP audio or video");
            description(rtp, content);
            if (!content.transport.fingerprint)
                return Read<SessionDescription>::fail(
                    Problem::no_fingerprint,
                    "content " + content.name + " has no DTLS fingerprint: no encryption");
        }
        session.contents.push_back(content);
    }
    if (session.contents.empty())
        return Read<SessionDescription>::fail(Problem::malformed, "no content");
    session.bundle = bundle(jingle);
    return Read<SessionDescription>::ok(session);
}

void start(QXmlStreamWriter& w, const QString& name, const char* ns) {
    w.writeStartElement(name);
    w.writeDefaultNamespace(QLatin1String(ns));
}

void write_parameters(QXmlStreamWriter& w, const std::vector<Parameter>& list) {
    for (const Parameter& p : list) {
        w.writeEmptyElement(QStringLiteral("parameter"));
        w.writeAttribute(QStringLiteral("name"), p.name);
        if (!p.value.isEmpty()) w.writeAttribute(QStringLiteral("value"), p.value);
    }
}

void write_feedback(QXmlStreamWriter& w, const std::vector<Feedback>& list) {
    for (const Feedback& f : list) {
        start(w, QStringLiteral("rtcp-fb"), ns::rtcp_fb);
        w.writeAttribute(QStringLiteral("type"), f.type);
        if (!f.subtype.isEmpty()) w.writeAttribute(QStringLiteral("subtype"), f.subtype);
        w.writeEndElement();
    }
}

void write_payload(QXmlStreamWriter& w, const PayloadType& p) {
    w.writeStartElement(QStringLiteral("payload-type"));
    w.writeAttribute(QStringLiteral("id"), QString::number(p.id));
    w.writeAttribute(QStringLiteral("name"), p.name);
    w.writeAttribute(QStringLiteral("clockrate"), QString::number(p.clockrate));
    if (p.channels > 1) w.writeAttribute(QStringLiteral("channels"), QString::number(p.channels));
    write_parameters(w, p.parameters);
    write_feedback(w, p.feedback);
    w.writeEndElement();
}

void write_sources(QXmlStreamWriter& w, const Content& c) {
    for (const Source& s : c.sources) {
        start(w, QStringLiteral("source"), ns::ssma);
        w.writeAttribute(QStringLiteral("ssrc"), QString::number(s.ssrc));
        write_parameters(w, s.parameters);
        w.writeEndElement();
    }
    for (const SourceGroup& g : c.source_groups) {
        start(w, QStringLiteral("ssrc-group"), ns::ssma);
        w.writeAttribute(QStringLiteral("semantics"), g.semantics);
        for (quint32 ssrc : g.ssrcs) {
            w.writeEmptyElement(QStringLiteral("source"));
            w.writeAttribute(QStringLiteral("ssrc"), QString::number(ssrc));
        }
        w.writeEndElement();
    }
}

void write_description(QXmlStreamWriter& w, const Content& c) {
    start(w, QStringLiteral("description"), ns::rtp);
    w.writeAttribute(QStringLiteral("media"), c.media);
    for (const PayloadType& p : c.payloads) write_payload(w, p);
    write_feedback(w, c.feedback);
    for (const HeaderExtension& x : c.extensions) {
        start(w, QStringLiteral("rtp-hdrext"), ns::hdrext);
        w.writeAttribute(QStringLiteral("id"), QString::number(x.id));
        w.writeAttribute(QStringLiteral("uri"), x.uri);
        w.writeEndElement();
    }
    if (c.extmap_allow_mixed) {
        start(w, QStringLiteral("extmap-allow-mixed"), ns::hdrext);
        w.writeEndElement();
    }
    write_sources(w, c);
    if (c.rtcp_mux) w.writeEmptyElement(QStringLiteral("rtcp-mux"));
    w.writeEndElement();
}

void write_candidate_element(QXmlStreamWriter& w, const Candidate& c) {
    w.writeEmptyElement(QStringLiteral("candidate"));
    w.writeAttribute(QStringLiteral("component"), QString::number(c.component));
    w.writeAttribute(QStringLiteral("foundation"), c.foundation);
    w.writeAttribute(QStringLiteral("generation"), QString::number(c.generation));
    w.writeAttribute(QStringLiteral("id"),
                     c.id.isEmpty() ? QUuid::createUuid().toString(QUuid::Id128) : c.id);
    w.writeAttribute(QStringLiteral("ip"), c.ip);
    w.writeAttribute(QStringLiteral("network"), QString::number(c.network));
    w.writeAttribute(QStringLiteral("port"), QString::number(c.port));
    w.writeAttribute(QStringLiteral("priority"), QString::number(c.priority));
    w.writeAttribute(QStringLiteral("protocol"), c.protocol);
    w.writeAttribute(QStringLiteral("type"), c.type);
    if (!c.rel_addr.isEmpty()) {
        w.writeAttribute(QStringLiteral("rel-addr"), c.rel_addr);
        w.writeAttribute(QStringLiteral("rel-port"), QString::number(c.rel_port));
    }
}

void open_transport(QXmlStreamWriter& w, const Transport& t) {
    start(w, QStringLiteral("transport"), ns::ice_udp);
    w.writeAttribute(QStringLiteral("ufrag"), t.ufrag);
    w.writeAttribute(QStringLiteral("pwd"), t.pwd);
}

void open_content(QXmlStreamWriter& w, const Content& c) {
    w.writeStartElement(QStringLiteral("content"));
    w.writeAttribute(QStringLiteral("creator"), c.creator);
    w.writeAttribute(QStringLiteral("name"), c.name);
    w.writeAttribute(QStringLiteral("senders"), senders_name(c.senders));
}

}  // namespace

Read<SessionDescription> read_session(const QDomElement& jingle) {
    return read(jingle, true);
}

Read<SessionDescription> read_transport_info(const QDomElement& jingle) {
    return read(jingle, false);
}

void write_session(QXmlStreamWriter& w, const SessionDescription& session) {
    for (const Content& c : session.contents) {
        if (c.rejected) continue;
        open_content(w, c);
        write_description(w, c);
        open_transport(w, c.transport);
        if (c.transport.fingerprint) {
            start(w, QStringLiteral("fingerprint"), ns::dtls);
            w.writeAttribute(QStringLiteral("hash"), c.transport.fingerprint->hash);
            w.writeAttribute(QStringLiteral("setup"), c.transport.fingerprint->setup);
            w.writeCharacters(c.transport.fingerprint->value);
            w.writeEndElement();
        }
        for (const Candidate& candidate : c.transport.candidates)
            write_candidate_element(w, candidate);
        w.writeEndElement();  // transport
        w.writeEndElement();  // content
    }
    if (session.bundle.isEmpty()) return;
    start(w, QStringLiteral("group"), ns::grouping);
    w.writeAttribute(QStringLiteral("semantics"), QStringLiteral("BUNDLE"));
    for (const QString& name : session.bundle) {
        w.writeEmptyElement(QStringLiteral("content"));
        w.writeAttribute(QStringLiteral("name"), name);
    }
    w.writeEndElement();
}

void write_candidate(QXmlStreamWriter& w, const Content& content, const Candidate& candidate) {
    open_content(w, content);
    open_transport(w, content.transport);
    write_candidate_element(w, candidate);
    w.writeEndElement();
    w.writeEndElement();
}

bool has_common_codecs(const SessionDescription& session, const QStringList& codecs,
                       QString* detail) {
    for (const Content& c : session.contents) {
        QStringList offered;
        for (const PayloadType& p : c.payloads) {
            if (codecs.contains(p.name, Qt::CaseInsensitive)) {
                offered.clear();
                break;
            }
            offered.append(p.name);
        }
        if (offered.isEmpty() && !c.payloads.empty()) continue;
        if (detail)
            *detail = QStringLiteral("no codec in common for %1 (offered: %2)")
                          .arg(c.media, offered.join(QLatin1String(", ")));
        return false;
    }
    return true;
}

}  // namespace jingle
