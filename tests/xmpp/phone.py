#!/usr/bin/python3
"""The owner's phone in the XMPP tests: an independent client that prints what it receives,
one line each, and does what it is told on standard input.

Printed lines (fields separated by one blank; a body's line breaks shown as \\n):
  online                          logged in, roster fetched, presence sent
  chat FROM BODY                  a chat message with a body (FROM is the bare JID)
  oob FROM URL                    the jabber:x:oob URL of a message
  delayed FROM STAMP              the message after this line carried a delay stamp
  jmi NAME FROM ID [MEDIA]        a call signal (propose, retract, ringing, proceed, reject, finish)
  presence FROM TYPE SHOW         a presence from someone else (TYPE available/unavailable)
  resource FULLJID                the full address of someone else who came online
  subscribe FROM / subscribed FROM
  error FROM CONDITION            an error message
  downloaded SIZE WxH SHA256      a download that gave a JPEG / download-failed REASON
  disconnected / failed REASON
  jingle ACTION FROM SID [REASON] a Jingle request (session-initiate, session-accept,
                                  transport-info, session-terminate with its reason)
  iq-error SID CONDITION          a Jingle request of ours was refused
  state STATE / frame N WxH MEAN / audio N   the call's media (see ../call/webrtc_peer.py)

Commands:
  say JID TEXT                    a chat message (\\n in TEXT becomes a line break)
  propose JID ID                  a video call proposal to the bare JID
  retract JID ID
  proceed ID / reject ID / ringing ID   answers to the last proposal with that ID; after a
                                  proceed the machine's session-initiate is answered with media
  call JID ID [audio]             a proposal (video and audio, or audio only); on the machine's
                                  proceed the phone starts the Jingle session with media
  initiate JID ID                 a session-initiate with media and no proposal before it
  hangup ID                       ends the call's session (success) and its proposal (finish)
  subscribe JID / approve JID
  download URL                    fetch over HTTPS trusting the run's CA, check it is a JPEG
  quit
"""
import argparse
import base64
import hashlib
import os
import asyncio
import ssl
import sys
import urllib.request
import uuid

import slixmpp
from slixmpp.xmlstream import ET
from slixmpp.xmlstream.handler import Callback
from slixmpp.xmlstream.matcher import MatchXPath, StanzaPath

import jingle_sdp
from jingle_sdp import JINGLE, ICE, q

# The call's media and the way of speaking are shared with the call tests' phone.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "call"))
from say_line import say  # noqa: E402

JMI = "urn:xmpp:jingle-message:0"
OOB = "jabber:x:oob"
DELAY = "urn:xmpp:delay"
RTP = "urn:xmpp:jingle:apps:rtp:1"


def jpeg_size(data):
    """The width and height in a JPEG's frame header, or None when it is no JPEG."""
    if not (data.startswith(b"\xff\xd8") and data.rstrip(b"\0").endswith(b"\xff\xd9")):
        return None
    at = 2
    while at + 9 < len(data):
        if data[at] != 0xFF:
            return None
        marker, length = data[at + 1], int.from_bytes(data[at + 2:at + 4], "big")
        if 0xC0 <= marker <= 0xCF and marker not in (0xC4, 0xC8, 0xCC):
            return int.from_bytes(data[at + 7:at + 9], "big"), int.from_bytes(data[at + 5:at + 7], "big")
        at += 2 + length
    return None


class Phone(slixmpp.ClientXMPP):
    def __init__(self, args):
        super().__init__(args.jid, args.password)
        self.ca_certs = args.ca
        self.args = args
        self.quitting = False
        self.pending = b""
        self.proposers = {}  # call id -> full JID that proposed it
        self.calls = {}  # sid -> Call: the Jingle sessions with media
        self.calling = {}  # sid -> media of a proposal of ours ("video audio" or "audio")
        self.resources = {}  # bare JID -> the full JID last seen available
        self.add_event_handler("session_start", self.started)
        # Every message, not only those with a body (call signals have none).
        self.register_handler(Callback("every message", StanzaPath("message"), self.message_in))
        self.register_handler(Callback("jingle", MatchXPath("{jabber:client}iq/{%s}jingle" % JINGLE),
                                       self.jingle_in))
        self.add_event_handler("presence_available", lambda p: self.presence_in(p, "available"))
        self.add_event_handler("presence_unavailable", lambda p: self.presence_in(p, "unavailable"))
        self.add_event_handler("presence_subscribe", lambda p: say("subscribe", p["from"].bare))
        self.add_event_handler("presence_subscribed", lambda p: say("subscribed", p["from"].bare))
        self.add_event_handler("disconnected", lambda _: say("disconnected"))
        self.add_event_handler("failed_auth", lambda _: say("failed", "auth"))
        self.add_event_handler("connection_failed", lambda e: say("failed", e))
        # Subscription requests are answered by the test, not automatically.
        self.auto_authorize = None
        self.auto_subscribe = False

    async def started(self, _):
        await self.get_roster()
        self.send_presence()
        asyncio.get_event_loop().add_reader(sys.stdin.fileno(), self.command_in)
        say("online")

    def presence_in(self, presence, kind):
        if presence["from"].bare == self.boundjid.bare:
            return
        if kind == "available":
            self.resources[presence["from"].bare] = presence["from"]
            say("resource", presence["from"])
        say("presence", presence["from"].bare, kind, presence["show"] or "-")

    def message_in(self, msg):
        sender = msg["from"].bare
        if msg["type"] == "error":
            say("error", sender, msg["error"]["condition"])
            return
        delay = msg.xml.find("{%s}delay" % DELAY)
        if delay is not None:
            say("delayed", sender, delay.get("stamp"))
        if msg["body"]:
            say("chat", sender, msg["body"].replace("\r\n", "\n").replace("\r", "\n").replace("\n", "\\n"))
        for url in msg.xml.iterfind("{%s}x/{%s}url" % (OOB, OOB)):
            say("oob", sender, url.text)
        for child in msg.xml:
            if child.tag.startswith("{%s}" % JMI):
                name = child.tag.split("}")[1]
                call = child.get("id")
                if name == "propose":
                    self.proposers[call] = msg["from"]
                if name == "proceed" and call in self.calling:
                    self.start_call(msg["from"], call, self.calling.pop(call))
                media = [d.get("media") for d in child if d.get("media")]
                say("jmi", name, sender, call, *media)

    def jmi(self, to, name, call, media=None):
        msg = self.make_message(mto=to, mtype="chat")
        element = slixmpp.xmlstream.ET.Element("{%s}%s" % (JMI, name), {"id": call})
        for kind in (media or "").split():
            element.append(slixmpp.xmlstream.ET.Element("{urn:xmpp:jingle:apps:rtp:1}description",
                                                        {"media": kind}))
        msg.append(element)
        msg.xml.append(slixmpp.xmlstream.ET.Element("{urn:xmpp:hints}store"))
        msg.send()

    def command_in(self):
        # Read what is there without buffering behind the event loop's back: a chunk may hold
        # several commands, and a line may come in pieces.
        chunk = os.read(sys.stdin.fileno(), 65536)
        if not chunk:
            self.quitting = True
            self.disconnect()
            return
        self.pending += chunk
        while b"\n" in self.pending:
            line, self.pending = self.pending.split(b"\n", 1)
            try:
                self.obey(line.decode().split(" ", 2))
            except Exception as error:  # a bad command is reported, the phone goes on
                say("command-failed", repr(error))

    def obey(self, words):
        command = words[0]
        if command == "say":
            self.send_message(mto=words[1], mbody=words[2].replace("\\n", "\n"), mtype="chat")
        elif command in ("propose", "retract"):
            self.jmi(words[1], command, words[2], "video" if command == "propose" else None)
        elif command in ("proceed", "reject", "ringing"):
            self.jmi(self.proposers[words[1]], command, words[1])
        elif command == "burst":
            # As fast as the phone can write them: "alarm on" and "alarm off" by turns.
            for n in range(int(words[1])):
                self.send_message(mto=words[2], mbody="alarm off" if n % 2 else "alarm on",
                                  mtype="chat")
        elif command == "call":
            media = "audio" if len(words) > 2 and words[2].endswith(" audio") else "video audio"
            call = words[2].split(" ")[0]
            self.calling[call] = media
            self.jmi(words[1], "propose", call, media)
        elif command == "initiate":
            self.start_call(self.resources.get(words[1], words[1]), words[2], "video audio")
        elif command == "hangup":
            self.hang_up(words[1])
        elif command == "subscribe":
            self.send_presence(pto=words[1], ptype="subscribe")
        elif command == "approve":
            self.send_presence(pto=words[1], ptype="subscribed")
        elif command == "download":
            self.download(words[1])
        elif command == "quit":
            self.quitting = True
            self.disconnect()
        else:
            say("command-failed", "unknown", command)

    # --- calls with media: Jingle on the wire, webrtcbin (../call/webrtc_peer.py) for the media

    def start_call(self, to, sid, media):
        """The phone initiates: an offer from its webrtcbin becomes the session-initiate."""
        self.calls[sid] = Call(self, to, sid, "initiator", video="video" in media)
        self.calls[sid].peer.offer()

    def jingle_in(self, iq):
        jingle = iq.xml.find(q(JINGLE, "jingle"))
        action, sid = jingle.get("action"), jingle.get("sid")
        reason = jingle.find(q(JINGLE, "reason"))
        fields = ["jingle", action, iq["from"].bare, sid]
        if reason is not None and len(reason):
            fields.append(reason[0].tag.split("}")[1])
        say(*fields)
        self.make_iq_result(iq["id"], ito=iq["from"]).send()
        call = self.calls.get(sid)
        if action == "session-initiate" and call is None:
            call = self.calls[sid] = Call(self, iq["from"], sid, "responder", video=True)
            call.remote(jingle, "offer")
        elif action == "session-accept" and call is not None:
            call.remote(jingle, "answer")
        elif action == "transport-info" and call is not None:
            call.remote_candidates(jingle)
        elif action == "session-terminate" and call is not None:
            call.stop()
            del self.calls[sid]

    def hang_up(self, sid):
        call = self.calls.pop(sid, None)
        if call is None:
            return
        jingle = ET.Element(q(JINGLE, "jingle"), {"action": "session-terminate", "sid": sid})
        ET.SubElement(ET.SubElement(jingle, q(JINGLE, "reason")), q(JINGLE, "success"))
        self.send_jingle(call.to, jingle, sid)
        call.stop()
        self.jmi(call.to, "finish", sid)

    def send_jingle(self, to, jingle, sid):
        say("sent", jingle.get("action"), sid)
        if os.environ.get("VQ_PHONE_DEBUG"):
            print(ET.tostring(jingle).decode(), file=sys.stderr, flush=True)
        iq = self.make_iq_set(ito=to)
        iq.xml.append(jingle)

        def answered(future):
            if not future.cancelled() and future.exception() is not None:
                error = future.exception()
                say("iq-error", sid, getattr(error, "condition", repr(error)))

        iq.send().add_done_callback(answered)

    def download(self, url):
        try:
            context = ssl.create_default_context(cafile=self.args.ca)
            with urllib.request.urlopen(url, context=context, timeout=10) as response:
                data = response.read()
        except Exception as error:
            say("download-failed", repr(error).replace(" ", "_"))
            return
        size = jpeg_size(data)
        if size is None:
            say("download-failed", "not-a-jpeg", len(data))
        else:
            say("downloaded", len(data), "%dx%d" % size, hashlib.sha256(data).hexdigest())


class Call:
    """One Jingle session with media."""

    def __init__(self, phone, to, sid, role, video):
        from webrtc_peer import MediaPeer  # GStreamer only when the phone calls
        self.phone, self.to, self.sid, self.role = phone, to, sid, role
        self.names = []  # our contents, by m-line
        self.remote_names = []
        self.sent = False
        self.pending = []
        self.ufrag = self.pwd = None
        loop = phone.loop
        self.peer = MediaPeer(emit=lambda *f: loop.call_soon_threadsafe(self.guarded, f),
                              video=video)

    def remote(self, jingle, kind):
        sdp, self.remote_names = jingle_sdp.to_sdp(jingle, "initiator" if kind == "offer" else "responder")
        if os.environ.get("VQ_PHONE_DEBUG"):
            print(ET.tostring(jingle).decode() + "\n" + sdp, file=sys.stderr, flush=True)
        self.peer.remote(kind, sdp)

    def remote_candidates(self, jingle):
        for content in jingle.findall(q(JINGLE, "content")):
            if content.get("name") not in self.remote_names:
                continue
            mline = self.remote_names.index(content.get("name"))
            for candidate in content.iter(q(ICE, "candidate")):
                self.peer.add_candidate(mline, jingle_sdp.candidate_text(candidate))

    def guarded(self, fields):
        try:
            self.media_said(fields)
        except Exception as error:  # shown to the test, which would otherwise wait in vain
            say("call-failed", repr(error).replace(" ", "_"))

    def media_said(self, fields):
        if fields[0] == "sdp":
            sdp = base64.b64decode(fields[2]).decode()
            action = "session-initiate" if fields[1] == "offer" else "session-accept"
            attributes = {"action": action, "sid": self.sid}
            attributes[self.role] = str(self.phone.boundjid)
            jingle = ET.Element(q(JINGLE, "jingle"), attributes)
            self.names = jingle_sdp.to_jingle(sdp, jingle, self.role)
            transport = jingle.find(".//" + q(ICE, "transport"))
            self.ufrag, self.pwd = transport.get("ufrag"), transport.get("pwd")
            self.phone.send_jingle(self.to, jingle, self.sid)
            self.sent = True
            for mline, candidate in self.pending:
                self.send_candidate(mline, candidate)
        elif fields[0] == "candidate":
            mline, candidate = int(fields[1]), " ".join(fields[2:])
            if self.sent:
                self.send_candidate(mline, candidate)
            else:
                self.pending.append((mline, candidate))
        elif fields[0] != "gathered":
            say(*fields)

    def send_candidate(self, mline, candidate):
        jingle = ET.Element(q(JINGLE, "jingle"), {"action": "transport-info", "sid": self.sid})
        content = ET.SubElement(jingle, q(JINGLE, "content"),
                                {"creator": "initiator", "name": self.names[mline]})
        transport = ET.SubElement(content, q(ICE, "transport"), {"ufrag": self.ufrag, "pwd": self.pwd})
        transport.append(jingle_sdp.candidate_element(candidate))
        self.phone.send_jingle(self.to, jingle, self.sid)

    def stop(self):
        self.peer.stop()


def main(kind=None):
    parser = argparse.ArgumentParser()
    parser.add_argument("--jid", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--ca", required=True)
    args = parser.parse_args()
    args.jid += "/phone-" + uuid.uuid4().hex[:6]
    phone = (kind or Phone)(args)
    address = (args.host, args.port)
    phone.connect(address)

    # A lost server is waited for, as a phone app does; only "quit" ends the phone.
    def lost(_):
        if phone.quitting:
            phone.loop.stop()
        else:
            phone.loop.call_later(0.5, phone.connect, address)

    phone.add_event_handler("disconnected", lost)
    phone.loop.run_forever()


if __name__ == "__main__":
    main()
