#!/usr/bin/python3
"""The owner's phone's media in the call tests: GStreamer's webrtcbin, as an app on a phone runs
it, written apart from the program's C++ so that the two check each other. It sends Opus audio
(silence), receives the program's video, decodes it and reports every picture.

Run alone it is driven line by line on standard input (the test passes the session descriptions
and candidates between it and the program); phone.py imports MediaPeer for real Jingle calls.

Printed lines (fields separated by one blank):
  sdp offer|answer BASE64        our session description
  candidate MLINE CANDIDATE      a local ICE candidate ("candidate:..."); "gathered" at the end
  state STATE                    the connection's state (new, connecting, connected, failed, closed)
  frame N WxH MEAN [DELAY]       the Nth decoded picture, its mean brightness (0..255) and, with
                                 --read-stamps, how many ms ago the picture's stamp was drawn
  audio N                        N packets of the program's sound decoded so far (every 50th)
  codec NAME                     the encoding of the program's video (VP8, H264)

Commands:
  offer                          make an offer (the phone calls)
  remote offer|answer BASE64     the program's description
  candidate MLINE CANDIDATE      one of the program's candidates
  quit
"""
import argparse
import base64
import os
import sys
import time

import gi

gi.require_version("Gst", "1.0")
gi.require_version("GstWebRTC", "1.0")
gi.require_version("GstSdp", "1.0")
gi.require_version("Nice", "0.1")
from gi.repository import GLib, Gst, GstSdp, GstWebRTC, Nice  # noqa: E402

from say_line import say  # noqa: E402

# Stamps: 32 blocks across the top of the picture, white for a one bit, most significant first,
# holding the monotonic clock in ms (mod 2**32) when the picture was drawn.
STAMP_BITS = 32

# What the phone asks to receive: VP8, or H.264 as the phones write it (constrained baseline,
# packetization mode 1).
VIDEO_CAPS = {
    "VP8": "application/x-rtp,media=video,encoding-name=VP8,payload=96,clock-rate=90000",
    "H264": "application/x-rtp,media=video,encoding-name=H264,payload=102,clock-rate=90000,"
            "packetization-mode=(string)1,profile-level-id=(string)42e01f,"
            "level-asymmetry-allowed=(string)1",
}
DECODERS = {"VP8": "rtpvp8depay ! vp8dec", "H264": "rtph264depay ! avdec_h264"}


def only_video_codec(sdp, codec):
    """The offer as a phone that decodes `codec` alone reads it: other video codecs left out
    (webrtcbin answers with the offer's first codec whatever its transceiver prefers)."""
    lines = sdp.split("\r\n")
    video = [i for i, line in enumerate(lines) if line.startswith("m=video")]
    if not video:
        return sdp
    end = next((i for i in range(video[0] + 1, len(lines)) if lines[i].startswith("m=")),
               len(lines))
    dropped = {line[9:].split(" ")[0] for line in lines[video[0]:end] if line.startswith(
        "a=rtpmap:") and line.split(" ")[1].split("/")[0].upper() != codec}
    words = lines[video[0]].split(" ")
    lines[video[0]] = " ".join(words[:3] + [w for w in words[3:] if w not in dropped])
    return "\r\n".join(line for line in lines if not (
        line.startswith(("a=rtpmap:", "a=fmtp:", "a=rtcp-fb:"))
        and line.split(" ")[0].split(":")[1] in dropped))


def read_stamp(data, width, height, stride):
    block = width // STAMP_BITS
    row = min(block // 2, height - 1) * stride
    value = 0
    for bit in range(STAMP_BITS):
        value = (value << 1) | (1 if data[row + bit * block + block // 2] > 128 else 0)
    return value


class MediaPeer:
    """One call's media. `emit(*fields)` receives what the peer prints."""

    def __init__(self, emit=say, audio=True, video=True, read_stamps=False, video_codec="VP8",
                 bundle=True):
        Gst.init(None)
        self.emit = emit
        self.read_stamps = read_stamps
        self.video_codec = video_codec
        self.frames = 0
        self.audio_packets = 0
        self.keep = []  # Python must not drop its wrappers of webrtcbin's ICE objects
        self.pipe = Gst.Pipeline.new("phone")
        self.webrtc = Gst.ElementFactory.make("webrtcbin")
        # Without bundling, as Dino calls: a transport of its own for each stream.
        self.webrtc.set_property("bundle-policy", GstWebRTC.WebRTCBundlePolicy.MAX_BUNDLE
                                 if bundle else GstWebRTC.WebRTCBundlePolicy.NONE)
        self.pipe.add(self.webrtc)
        self.use_loopback_when_alone()
        if audio:
            self.add_audio()
        if video:
            # The phone receives the room; it sends no picture of its own.
            caps = Gst.Caps.from_string(VIDEO_CAPS[video_codec])
            self.webrtc.emit("add-transceiver", GstWebRTC.WebRTCRTPTransceiverDirection.RECVONLY,
                             caps)
        self.webrtc.connect("on-ice-candidate", self.candidate_found)
        self.webrtc.connect("notify::ice-gathering-state", self.gathering_changed)
        self.webrtc.connect("notify::connection-state", self.state_changed)
        self.webrtc.connect("pad-added", self.pad_added)
        self.pipe.set_state(Gst.State.PLAYING)

    def use_loopback_when_alone(self):
        ice = self.webrtc.get_property("ice-agent")
        self.keep.append(ice)
        ice.set_property("ice-tcp", False)
        if Nice.interfaces_get_local_ips(False):
            return
        agent = ice.get_property("agent")
        self.keep.append(agent)
        for text in ("127.0.0.1", "::1"):
            address = Nice.Address()
            address.set_from_string(text)
            agent.add_local_address(address)

    def add_audio(self):
        chain = Gst.parse_bin_from_description(
            "audiotestsrc is-live=true wave=silence ! audioconvert ! audioresample ! opusenc ! "
            "rtpopuspay pt=111 ! capsfilter caps=application/x-rtp,media=audio,encoding-name=OPUS,"
            "payload=111,clock-rate=48000", True)
        self.pipe.add(chain)
        chain.link(self.webrtc)

    # --- the session descriptions and candidates --------------------------------------------

    def offer(self):
        self.webrtc.emit("create-offer", None, Gst.Promise.new_with_change_func(
            self.description_made, "offer"))

    def remote(self, kind, text):
        if kind == "offer":
            text = only_video_codec(text, self.video_codec)
        _, message = GstSdp.SDPMessage.new_from_text(text)
        sdp_type = GstWebRTC.WebRTCSDPType.OFFER if kind == "offer" else GstWebRTC.WebRTCSDPType.ANSWER
        description = GstWebRTC.WebRTCSessionDescription.new(sdp_type, message)
        if kind == "offer":
            self.webrtc.emit("set-remote-description", description,
                             Gst.Promise.new_with_change_func(self.offer_set, None))
        else:
            self.webrtc.emit("set-remote-description", description, None)

    def offer_set(self, promise, _):
        self.webrtc.emit("create-answer", None, Gst.Promise.new_with_change_func(
            self.description_made, "answer"))

    def description_made(self, promise, kind):
        promise.wait()
        reply = promise.get_reply()
        description = reply.get_value(kind)
        self.webrtc.emit("set-local-description", description, None)
        self.emit("sdp", kind, base64.b64encode(description.sdp.as_text().encode()).decode())

    def add_candidate(self, mline, candidate):
        self.webrtc.emit("add-ice-candidate", mline, candidate)

    def candidate_found(self, _, mline, candidate):
        self.emit("candidate", mline, candidate.strip())

    def gathering_changed(self, webrtc, _):
        if webrtc.get_property("ice-gathering-state") == GstWebRTC.WebRTCICEGatheringState.COMPLETE:
            self.emit("gathered")

    def state_changed(self, webrtc, _):
        state = webrtc.get_property("connection-state")
        self.emit("state", state.value_nick)

    # --- what the program sends ---------------------------------------------------------------

    def pad_added(self, _, pad):
        if pad.direction != Gst.PadDirection.SRC:
            return
        structure = pad.get_current_caps().get_structure(0)
        media = structure.get_string("media")
        if media == "video":
            self.emit("codec", structure.get_string("encoding-name"))
            chain = Gst.parse_bin_from_description(
                DECODERS[structure.get_string("encoding-name")] + " ! videoconvert ! "
                "video/x-raw,format=GRAY8 ! appsink name=pictures emit-signals=true sync=false",
                True)
            chain.get_by_name("pictures").connect("new-sample", self.picture)
        else:
            chain = Gst.parse_bin_from_description(
                "rtpopusdepay ! opusdec ! identity name=sound ! fakesink sync=false", True)
            chain.get_by_name("sound").connect("handoff", self.sound)
        self.pipe.add(chain)
        chain.sync_state_with_parent()
        pad.link(chain.get_static_pad("sink"))

    def picture(self, sink):
        sample = sink.emit("pull-sample")
        structure = sample.get_caps().get_structure(0)
        width, height = structure.get_value("width"), structure.get_value("height")
        buffer = sample.get_buffer()
        ok, mapped = buffer.map(Gst.MapFlags.READ)
        if not ok:
            return Gst.FlowReturn.OK
        data = mapped.data
        stride = (width + 3) & ~3
        # Every 7th byte is enough for a mean that moves when the room does.
        mean = sum(data[::7]) / max(1, len(data[::7]))
        fields = ["frame", self.frames, "%dx%d" % (width, height), "%.2f" % mean]
        if self.read_stamps:
            now = int(time.monotonic() * 1000) & 0xFFFFFFFF
            fields.append((now - read_stamp(data, width, height, stride)) & 0xFFFFFFFF)
        buffer.unmap(mapped)
        self.frames += 1
        self.emit(*fields)
        return Gst.FlowReturn.OK

    def sound(self, *_):
        self.audio_packets += 1
        if self.audio_packets % 50 == 1:
            self.emit("audio", self.audio_packets)

    def stop(self):
        self.pipe.set_state(Gst.State.NULL)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--audio-only", action="store_true")
    parser.add_argument("--no-audio", action="store_true")
    parser.add_argument("--read-stamps", action="store_true")
    parser.add_argument("--video-codec", choices=sorted(VIDEO_CAPS), default="VP8")
    parser.add_argument("--no-bundle", action="store_true")
    args = parser.parse_args()
    Gst.init(None)
    loop = GLib.MainLoop()
    peer = MediaPeer(audio=not args.no_audio, video=not args.audio_only,
                     read_stamps=args.read_stamps, video_codec=args.video_codec,
                     bundle=not args.no_bundle)
    pending = [b""]

    def command_in(*_):
        chunk = os.read(sys.stdin.fileno(), 65536)
        if not chunk:
            loop.quit()
            return False
        pending[0] += chunk
        while b"\n" in pending[0]:
            line, pending[0] = pending[0].split(b"\n", 1)
            words = line.decode().split(" ", 2)
            if words[0] == "offer":
                peer.offer()
            elif words[0] == "remote":
                peer.remote(words[1], base64.b64decode(words[2]).decode())
            elif words[0] == "candidate":
                peer.add_candidate(int(words[1]), words[2])
            elif words[0] == "quit":
                loop.quit()
                return False
        return True

    GLib.io_add_watch(sys.stdin.fileno(), GLib.IO_IN | GLib.IO_HUP, command_in)
    loop.run()
    peer.stop()


if __name__ == "__main__":
    main()
