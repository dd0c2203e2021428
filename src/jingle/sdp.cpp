#include "jingle/sdp.h"

#include <QRegularExpression>
#include <list>
#include <map>

namespace jingle {

namespace {

QString direction(Senders senders, Role author) {
    switch (senders) {
        case Senders::both:
            return QStringLiteral("sendrecv");
        case Senders::none:
            return QStringLiteral("inactive");
        case Senders::initiator:
            return author == Role::initiator ? QStringLiteral("sendonly")
                                             : QStringLiteral("recvonly");
        case Senders::responder:
            return author == Role::responder ? QStringLiteral("sendonly")
                                             : QStringLiteral("recvonly");
    }
    return QStringLiteral("sendrecv");
}

Senders senders_from(const QString& direction, Role author) {
    const Senders self = author == Role::initiator ? Senders::initiator : Senders::responder;
    const Senders other = author == Role::initiator ? Senders::responder : Senders::initiator;
    if (direction == QLatin1String("sendonly")) return self;
    if (direction == QLatin1String("recvonly")) return other;
    if (direction == QLatin1String("inactive")) return Senders::none;
    return Senders::both;
}

QString parameters_text(const std::vector<Parameter>& list) {
    QStringList parts;
    for (const Parameter& p : list)
        parts.append(p.name.isEmpty() ? p.value : p.name + '=' + p.value);
    return parts.join(';');
}

std::vector<Parameter> parameters_from(const QString& text) {
    std::vector<Parameter> list;
    for (const QString& part : text.split(';', Qt::SkipEmptyParts)) {
        const int equals = part.indexOf('=');
        if (equals < 0)
            list.push_back({{}, part.trimmed()});
        else
            list.push_back({part.left(equals).trimmed(), part.mid(equals + 1).trimmed()});
    }
    return list;
}

QString feedback_text(const QString& payload, const Feedback& f) {
    return QStringLiteral("a=rtcp-fb:%1 %2").arg(payload, f.type) +
           (f.subtype.isEmpty() ? QString() : ' ' + f.subtype);
}

void write_media(QStringList& out, const Content& c, Role author) {
    QStringList ids;
    for (const PayloadType& p : c.payloads) ids.append(QString::number(p.id));
    out << QStringLiteral("m=%1 %2 UDP/TLS/RTP/SAVPF %3")
               .arg(c.media, c.rejected ? QStringLiteral("0") : QStringLiteral("9"), ids.join(' '))
        << QStringLiteral("c=IN IP4 0.0.0.0");
    const Transport& t = c.transport;
    if (!t.ufrag.isEmpty()) out << "a=ice-ufrag:" + t.ufrag << "a=ice-pwd:" + t.pwd;
    out << QStringLiteral("a=ice-options:trickle");
    if (t.fingerprint) {
        out << QStringLiteral("a=fingerprint:%1 %2").arg(t.fingerprint->hash, t.fingerprint->value);
        out << "a=setup:" + t.fingerprint->setup;
    }
    out << "a=mid:" + c.name;
    for (const HeaderExtension& x : c.extensions)
        out << QStringLiteral("a=extmap:%1 %2").arg(x.id).arg(x.uri);
    if (c.extmap_allow_mixed) out << QStringLiteral("a=extmap-allow-mixed");
    out << "a=" + (c.rejected ? QStringLiteral("inactive") : direction(c.senders, author));
    if (c.rtcp_mux) out << QStringLiteral("a=rtcp-mux");
    for (const PayloadType& p : c.payloads) {
        const QString id = QString::number(p.id);
        out << QStringLiteral("a=rtpmap:%1 %2/%3").arg(id, p.name).arg(p.clockrate) +
                   (p.channels > 1 ? '/' + QString::number(p.channels) : QString());
        for (const Feedback& f : p.feedback) out << feedback_text(id, f);
        if (!p.parameters.empty())
            out << QStringLiteral("a=fmtp:%1 %2").arg(id, parameters_text(p.parameters));
    }
    for (const Feedback& f : c.feedback) out << feedback_text(QStringLiteral("*"), f);
    for (const SourceGroup& g : c.source_groups) {
        QStringList ssrcs;
        for (quint32 ssrc : g.ssrcs) ssrcs.append(QString::number(ssrc));
        out << QStringLiteral("a=ssrc-group:%1 %2").arg(g.semantics, ssrcs.join(' '));
    }
    for (const Source& s : c.sources)
        for (const Parameter& p : s.parameters)
            out << QStringLiteral("a=ssrc:%1 %2")
                       .arg(s.ssrc)
                       .arg(p.value.isEmpty() ? p.name : p.name + ':' + p.value);
    for (const Candidate& candidate : t.candidates) out << "a=" + candidate_to_sdp(candidate);
}

// The lines of one media section (or of the session part) as they are read.
struct Reader {
    Content& c;
    Role author;
    std::map<int, std::size_t> payload_at;

    PayloadType* payload(const QString& id) {
        const auto found = payload_at.find(id.toInt());
        return found == payload_at.end() ? nullptr : &c.payloads[found->second];
    }

    Source& source(quint32 ssrc) {
        for (Source& s : c.sources)
            if (s.ssrc == ssrc) return s;
        c.sources.push_back({ssrc, {}});
        return c.sources.back();
    }

    void media_line(const QString& value) {
        const QStringList words = value.split(' ', Qt::SkipEmptyParts);
        c.media = words.value(0);
        c.rejected = words.value(1) == QLatin1String("0");
        for (int i = 3; i < words.size(); ++i) {
            payload_at[words[i].toInt()] = c.payloads.size();
            c.payloads.push_back({words[i].toInt(), {}, 0, 1, {}, {}});
        }
    }

    void rtpmap(const QString& value) {
        const QString id = value.section(' ', 0, 0);
        const QStringList codec = value.section(' ', 1).split('/');
        if (PayloadType* p = payload(id)) {
            p->name = codec.value(0);
            p->clockrate = codec.value(1).toInt();
            p->channels = codec.size() > 2 ? codec[2].toInt() : 1;
        }
    }

    void rtcp_fb(const QString& value) {
        const QStringList words = value.split(' ', Qt::SkipEmptyParts);
        const Feedback f{words.value(1), words.mid(2).join(' ')};
        if (words.value(0) == QLatin1String("*"))
            c.feedback.push_back(f);
        else if (PayloadType* p = payload(words.value(0)))
            p->feedback.push_back(f);
    }

    void ssrc(const QString& value) {
        const QString attribute = value.section(' ', 1);
        const int colon = attribute.indexOf(':');
        source(value.section(' ', 0, 0).toUInt())
            .parameters.push_back(colon < 0
                                      ? Parameter{attribute, {}}
                                      : Parameter{attribute.left(colon), attribute.mid(colon + 1)});
    }

    void attribute(const QString& name, const QString& value) {
        Transport& t = c.transport;
        if (name == QLatin1String("mid")) {
            c.name = value;
        } else if (name == QLatin1String("ice-ufrag")) {
            t.ufrag = value;
        } else if (name == QLatin1String("ice-pwd")) {
            t.pwd = value;
        } else if (name == QLatin1String("fingerprint")) {
            const QString setup = t.fingerprint ? t.fingerprint->setup : QString();
            t.fingerprint = Fingerprint{value.section(' ', 0, 0), value.section(' ', 1), setup};
        } else if (name == QLatin1String("setup")) {
            if (!t.fingerprint) t.fingerprint = Fingerprint{};
            t.fingerprint->setup = value;
        } else if (name == QLatin1String("rtpmap")) {
            rtpmap(value);
        } else if (name == QLatin1String("fmtp")) {
            if (PayloadType* p = payload(value.section(' ', 0, 0)))
                p->parameters = parameters_from(value.section(' ', 1));
        } else if (name == QLatin1String("rtcp-fb")) {
            rtcp_fb(value);
        } else if (name == QLatin1String("extmap")) {
            // "1/sendrecv uri": the direction is the same as the content's here.
            c.extensions.push_back(
                {value.section(' ', 0, 0).section('/', 0, 0).toInt(), value.section(' ', 1, 1)});
        } else if (name == QLatin1String("extmap-allow-mixed")) {
            c.extmap_allow_mixed = true;
        } else if (name == QLatin1String("rtcp-mux")) {
            c.rtcp_mux = true;
        } else if (name == QLatin1String("bundle-only")) {
            // Port 0 here means "on the first line's transport" (webrtcbin's max-bundle), not
            // a refused stream.
            c.rejected = false;
        } else if (name == QLatin1String("ssrc")) {
            ssrc(value);
        } else if (name == QLatin1String("ssrc-group")) {
            SourceGroup g{value.section(' ', 0, 0), {}};
            for (const QString& s : value.section(' ', 1).split(' ', Qt::SkipEmptyParts))
                g.ssrcs.push_back(s.toUInt());
            c.source_groups.push_back(g);
        } else if (name == QLatin1String("candidate")) {
            if (auto candidate = candidate_from_sdp(name + ':' + value))
                t.candidates.push_back(*candidate);
        } else if (name == QLatin1String("sendrecv") || name == QLatin1String("sendonly") ||
                   name == QLatin1String("recvonly") || name == QLatin1String("inactive")) {
            c.senders = senders_from(name, author);
        }
    }
};

// Session-level ICE credentials and fingerprint hold for every media line that has none.
void inherit(Content& c, const Content& session) {
    Transport& t = c.transport;
    if (t.ufrag.isEmpty()) t.ufrag = session.transport.ufrag;
    if (t.pwd.isEmpty()) t.pwd = session.transport.pwd;
    if (!t.fingerprint) t.fingerprint = session.transport.fingerprint;
    if (t.fingerprint && t.fingerprint->setup.isEmpty() && session.transport.fingerprint)
        t.fingerprint->setup = session.transport.fingerprint->setup;
    if (session.extmap_allow_mixed) c.extmap_allow_mixed = true;
}

}  // namespace

QString to_sdp(const SessionDescription& session, Role author) {
    QStringList out = {QStringLiteral("v=0"), QStringLiteral("o=- 1 2 IN IP4 127.0.0.1"),
                       QStringLiteral("s=-"), QStringLiteral("t=0 0")};
    if (!session.bundle.isEmpty()) out << "a=group:BUNDLE " + session.bundle.join(' ');
    for (const Content& c : session.contents) write_media(out, c, author);
    return out.join(QLatin1String("\r\n")) + QLatin1String("\r\n");
}

Read<SessionDescription> from_sdp(const QString& sdp, Role author) {
    SessionDescription session;
    Content session_level;
    std::vector<Reader> readers;
    std::list<Content> contents;
    Reader top{session_level, author, {}};
    for (QString line : sdp.split('\n')) {
        line = line.trimmed();
        if (line.startsWith(QLatin1String("m="))) {
            contents.emplace_back();
            readers.push_back({contents.back(), author, {}});
            readers.back().media_line(line.mid(2));
            continue;
        }
        if (!line.startsWith(QLatin1String("a="))) continue;
        const QString text = line.mid(2);
        const int colon = text.indexOf(':');
        const QString name = colon < 0 ? text : text.left(colon);
        const QString value = colon < 0 ? QString() : text.mid(colon + 1);
        if (readers.empty() && name == QLatin1String("group") &&
            value.startsWith(QLatin1String("BUNDLE ")))
            session.bundle = value.mid(7).split(' ', Qt::SkipEmptyParts);
        else
            (readers.empty() ? top : readers.back()).attribute(name, value);
    }
    for (Content& c : contents) {
        inherit(c, session_level);
        if (c.name.isEmpty())
            return Read<SessionDescription>::fail(Problem::malformed, "a media line without a mid");
        if (!c.transport.fingerprint || c.transport.fingerprint->value.isEmpty())
            return Read<SessionDescription>::fail(Problem::no_fingerprint,
                                                  "media line " + c.name + " has no fingerprint");
        session.contents.push_back(c);
    }
    if (session.contents.empty())
        return Read<SessionDescription>::fail(Problem::malformed, "no media line");
    return Read<SessionDescription>::ok(session);
}

QString candidate_to_sdp(const Candidate& c) {
    QString line = QStringLiteral("candidate:%1 %2 %3 %4 %5 %6 typ %7")
                       .arg(c.foundation)
                       .arg(c.component)
                       .arg(c.protocol)
                       .arg(c.priority)
                       .arg(c.ip)
                       .arg(c.port)
                       .arg(c.type);
    if (!c.rel_addr.isEmpty())
        line += QStringLiteral(" raddr %1 rport %2").arg(c.rel_addr).arg(c.rel_port);
    return line + QStringLiteral(" generation %1").arg(c.generation);
}

std::optional<Candidate> candidate_from_sdp(const QString& line) {
    QString text = line.trimmed();
    if (text.startsWith(QLatin1String("a="))) text = text.mid(2);
    if (!text.startsWith(QLatin1String("candidate:"))) return std::nullopt;
    const QStringList words = text.mid(10).split(' ', Qt::SkipEmptyParts);
    if (words.size() < 8 || words[6] != QLatin1String("typ")) return std::nullopt;
    Candidate c;
    c.foundation = words[0];
    c.component = words[1].toInt();
    c.protocol = words[2].toLower();
    c.priority = words[3].toUInt();
    c.ip = words[4];
    c.port = words[5].toInt();
    c.type = words[7];
    for (int i = 8; i + 1 < words.size(); i += 2) {
        if (words[i] == QLatin1String("raddr")) c.rel_addr = words[i + 1];
        if (words[i] == QLatin1String("rport")) c.rel_port = words[i + 1].toInt();
        if (words[i] == QLatin1String("generation")) c.generation = words[i + 1].toInt();
        if (words[i] == QLatin1String("network-id")) c.network = words[i + 1].toInt();
    }
    if (c.protocol != QLatin1String("udp") || c.ip.isEmpty() || c.port <= 0) return std::nullopt;
    return c;
}

}  // namespace jingle
