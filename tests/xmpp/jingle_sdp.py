"""The test phone's own translation between Jingle (XEP-0166/0167/0176/0320/0338/0293) and the
SDP its webrtcbin speaks, written from the XEPs apart from the program's C++, so that the two
check each other."""
import xml.etree.ElementTree as ET

JINGLE = "urn:xmpp:jingle:1"
RTP = "urn:xmpp:jingle:apps:rtp:1"
ICE = "urn:xmpp:jingle:transports:ice-udp:1"
DTLS = "urn:xmpp:jingle:apps:dtls:0"
FB = "urn:xmpp:jingle:apps:rtp:rtcp-fb:0"
GROUP = "urn:xmpp:jingle:apps:grouping:0"

SENDERS = {  # SDP direction as the writer of the SDP sees it -> senders, by the writer's role
    ("sendrecv", "initiator"): "both", ("sendrecv", "responder"): "both",
    ("sendonly", "initiator"): "initiator", ("sendonly", "responder"): "responder",
    ("recvonly", "initiator"): "responder", ("recvonly", "responder"): "initiator",
    ("inactive", "initiator"): "none", ("inactive", "responder"): "none",
}


def q(ns, name):
    return "{%s}%s" % (ns, name)


def media_sections(sdp):
    """The session's lines and each m= section's lines."""
    session, sections = [], []
    for line in sdp.replace("\r\n", "\n").split("\n"):
        if not line:
            continue
        if line.startswith("m="):
            sections.append([line])
        elif sections:
            sections[-1].append(line)
        else:
            session.append(line)
    return session, sections


def candidate_element(text):
    """'candidate:F C PROTO PRIO IP PORT typ TYPE [raddr A rport P] ...' as an ICE-UDP candidate."""
    words = text.split(":", 1)[1].split()
    attributes = {"foundation": words[0], "component": words[1], "protocol": words[2].lower(),
                  "priority": words[3], "ip": words[4], "port": words[5], "type": words[7],
                  "generation": "0", "network": "0", "id": "c%s%s" % (words[0], words[5])}
    for key, name in (("raddr", "rel-addr"), ("rport", "rel-port"), ("generation", "generation")):
        if key in words:
            attributes[name] = words[words.index(key) + 1]
    return ET.Element(q(ICE, "candidate"), attributes)


def candidate_text(element):
    text = "candidate:%s %s %s %s %s %s typ %s" % (
        element.get("foundation"), element.get("component"), element.get("protocol", "udp").upper(),
        element.get("priority"), element.get("ip"), element.get("port"), element.get("type"))
    if element.get("rel-addr"):
        text += " raddr %s rport %s" % (element.get("rel-addr"), element.get("rel-port"))
    return text


def to_jingle(sdp, jingle, role):
    """Fills a <jingle> element with the SDP's contents; returns the content names in order."""
    session, sections = media_sections(sdp)
    names = []
    for lines in sections:
        media = lines[0][2:].split()[0]
        values = {}
        for line in lines:
            if line.startswith("a=") and ":" in line:
                key, value = line[2:].split(":", 1)
                values.setdefault(key, []).append(value)
        name = values.get("mid", [media])[0]
        names.append(name)
        direction = next((line[2:] for line in lines if line[2:] in
                          ("sendrecv", "sendonly", "recvonly", "inactive")), "sendrecv")
        content = ET.SubElement(jingle, q(JINGLE, "content"), {
            "creator": "initiator", "name": name, "senders": SENDERS[(direction, role)]})
        description = ET.SubElement(content, q(RTP, "description"), {"media": media})
        for rtpmap in values.get("rtpmap", []):
            pt, codec = rtpmap.split(" ", 1)
            parts = codec.split("/")
            attributes = {"id": pt, "name": parts[0], "clockrate": parts[1]}
            if len(parts) > 2:
                attributes["channels"] = parts[2]
            elif media == "audio" and parts[0].lower() == "opus":
                attributes["channels"] = "2"
            payload = ET.SubElement(description, q(RTP, "payload-type"), attributes)
            for fb in values.get("rtcp-fb", []):
                fb_pt, kind = fb.split(" ", 1)
                if fb_pt == pt:
                    kinds = kind.split(" ", 1)
                    fb_attributes = {"type": kinds[0]}
                    if len(kinds) > 1:
                        fb_attributes["subtype"] = kinds[1]
                    ET.SubElement(payload, q(FB, "rtcp-fb"), fb_attributes)
        if "rtcp-mux" in [line[2:] for line in lines]:
            ET.SubElement(description, q(RTP, "rtcp-mux"))
        transport = ET.SubElement(content, q(ICE, "transport"), {
            "ufrag": values["ice-ufrag"][0], "pwd": values["ice-pwd"][0]})
        hash_name, digest = values["fingerprint"][0].split(" ", 1)
        fingerprint = ET.SubElement(transport, q(DTLS, "fingerprint"), {
            "hash": hash_name, "setup": values.get("setup", ["actpass"])[0]})
        fingerprint.text = digest
        for candidate in values.get("candidate", []):
            transport.append(candidate_element("candidate:" + candidate))
    for line in session:
        if line.startswith("a=group:BUNDLE "):
            group = ET.SubElement(jingle, q(GROUP, "group"), {"semantics": "BUNDLE"})
            for name in line.split()[1:]:
                ET.SubElement(group, q(GROUP, "content"), {"name": name})
    return names


def to_sdp(jingle, role):
    """The SDP of a received session-initiate or session-accept; `role` is the sender's."""
    lines = ["v=0", "o=- 1 0 IN IP4 0.0.0.0", "s=-", "t=0 0"]
    group = jingle.find(q(GROUP, "group"))
    if group is not None:
        lines.append("a=group:BUNDLE " + " ".join(c.get("name") for c in group))
    names = []
    for content in jingle.findall(q(JINGLE, "content")):
        description = content.find(q(RTP, "description"))
        transport = content.find(q(ICE, "transport"))
        if description is None or transport is None:
            continue
        names.append(content.get("name"))
        payloads = description.findall(q(RTP, "payload-type"))
        lines.append("m=%s 9 UDP/TLS/RTP/SAVPF %s" % (description.get("media"),
                                                    " ".join(p.get("id") for p in payloads)))
        lines += ["c=IN IP4 0.0.0.0", "a=mid:" + content.get("name"),
                  "a=ice-ufrag:" + transport.get("ufrag"), "a=ice-pwd:" + transport.get("pwd")]
        fingerprint = transport.find(q(DTLS, "fingerprint"))
        if fingerprint is not None:
            lines += ["a=fingerprint:%s %s" % (fingerprint.get("hash"), fingerprint.text.strip()),
                      "a=setup:" + fingerprint.get("setup", "actpass")]
        if description.find(q(RTP, "rtcp-mux")) is not None:
            lines.append("a=rtcp-mux")
        senders = content.get("senders", "both")
        direction = {"both": "sendrecv", "none": "inactive"}.get(
            senders, "sendonly" if senders == role else "recvonly")
        lines.append("a=" + direction)
        for p in payloads:
            codec = "%s/%s" % (p.get("name"), p.get("clockrate"))
            if p.get("channels"):
                codec += "/" + p.get("channels")
            lines.append("a=rtpmap:%s %s" % (p.get("id"), codec))
            parameters = [x for x in p if x.tag == q(RTP, "parameter")]
            if parameters:
                lines.append("a=fmtp:%s %s" % (p.get("id"), ";".join(
                    "%s=%s" % (x.get("name"), x.get("value")) for x in parameters)))
            for fb in p.findall(q(FB, "rtcp-fb")):
                lines.append("a=rtcp-fb:%s %s" % (p.get("id"), " ".join(
                    v for v in (fb.get("type"), fb.get("subtype")) if v)))
        for candidate in transport.findall(q(ICE, "candidate")):
            lines.append("a=" + candidate_text(candidate))
    return "\r\n".join(lines) + "\r\n", names
