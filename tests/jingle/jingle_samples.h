#pragma once

// Jingle stanzas as the messenger apps send them, and the SDP that webrtcbin makes, written
// after what each app puts on the wire (the attributes they use, in their order and spelling).
#include <QRegularExpression>
#include <QString>

namespace samples {

inline const QString fingerprint =
    "9C:4D:21:0F:8B:3A:77:E2:51:06:CE:94:1B:D8:6A:3F:E0:12:5C:B7:48:99:2D:F1:0A:63:C5:7E:B2:1D:"
    "84:F9";

// A video call from Conversations (Android): WebRTC underneath, so media lines named "0" and
// "1", BUNDLE, rtcp-mux, header extensions, sources with an FID group, and one host candidate.
inline const QString conversations_initiate = R"(
<jingle xmlns='urn:xmpp:jingle:1' action='session-initiate' initiator='owner@example.org/Conversations.x1' sid='sid-c'>
 <content creator='initiator' name='0' senders='both'>
  <description xmlns='urn:xmpp:jingle:apps:rtp:1' media='audio'>
   <payload-type id='111' name='opus' clockrate='48000' channels='2'>
    <parameter name='minptime' value='10'/><parameter name='useinbandfec' value='1'/>
    <rtcp-fb xmlns='urn:xmpp:jingle:apps:rtp:rtcp-fb:0' type='transport-cc'/>
   </payload-type>
   <payload-type id='63' name='red' clockrate='48000' channels='2'><parameter name='' value='111/111'/></payload-type>
   <payload-type id='0' name='PCMU' clockrate='8000'/>
   <payload-type id='126' name='telephone-event' clockrate='8000'/>
   <rtp-hdrext xmlns='urn:xmpp:jingle:apps:rtp:rtp-hdrext:0' id='1' uri='urn:ietf:params:rtp-hdrext:ssrc-audio-level'/>
   <extmap-allow-mixed xmlns='urn:xmpp:jingle:apps:rtp:rtp-hdrext:0'/>
   <source xmlns='urn:xmpp:jingle:apps:rtp:ssma:0' ssrc='2447106443'><parameter name='cname' value='s7jdCT8Fh2Hwdt0e'/><parameter name='msid' value='my-media-stream my-audio-track'/></source>
   <rtcp-mux/>
  </description>
  <transport xmlns='urn:xmpp:jingle:transports:ice-udp:1' ufrag='Xs2s' pwd='Kb6Q4uMdXUC4KKEzuPKlwB3o'>
   <fingerprint xmlns='urn:xmpp:jingle:apps:dtls:0' hash='sha-256' setup='actpass'>)" +
                                              fingerprint + R"(</fingerprint>
   <candidate component='1' foundation='3250487302' generation='0' id='c1' ip='192.168.1.23' network='1' port='41417' priority='2122260223' protocol='udp' type='host'/>
   <candidate component='1' foundation='842163049' generation='0' id='c2' ip='203.0.113.7' network='1' port='41417' priority='1686052607' protocol='udp' type='srflx' rel-addr='192.168.1.23' rel-port='41417'/>
   <candidate component='1' foundation='1111' generation='0' id='c3' ip='192.168.1.23' network='1' port='9' priority='1518280447' protocol='tcp' type='host'/>
  </transport>
 </content>
 <content creator='initiator' name='1' senders='both'>
  <description xmlns='urn:xmpp:jingle:apps:rtp:1' media='video'>
   <payload-type id='96' name='VP8' clockrate='90000'>
    <rtcp-fb xmlns='urn:xmpp:jingle:apps:rtp:rtcp-fb:0' type='goog-remb'/>
    <rtcp-fb xmlns='urn:xmpp:jingle:apps:rtp:rtcp-fb:0' type='ccm' subtype='fir'/>
    <rtcp-fb xmlns='urn:xmpp:jingle:apps:rtp:rtcp-fb:0' type='nack' subtype='pli'/>
   </payload-type>
   <payload-type id='97' name='rtx' clockrate='90000'><parameter name='apt' value='96'/></payload-type>
   <payload-type id='102' name='H264' clockrate='90000'>
    <parameter name='level-asymmetry-allowed' value='1'/><parameter name='packetization-mode' value='1'/><parameter name='profile-level-id' value='42e01f'/>
   </payload-type>
   <source xmlns='urn:xmpp:jingle:apps:rtp:ssma:0' ssrc='1715201024'><parameter name='cname' value='s7jdCT8Fh2Hwdt0e'/></source>
   <source xmlns='urn:xmpp:jingle:apps:rtp:ssma:0' ssrc='2043915711'><parameter name='cname' value='s7jdCT8Fh2Hwdt0e'/></source>
   <ssrc-group xmlns='urn:xmpp:jingle:apps:rtp:ssma:0' semantics='FID'><source ssrc='1715201024'/><source ssrc='2043915711'/></ssrc-group>
   <rtcp-mux/>
  </description>
  <transport xmlns='urn:xmpp:jingle:transports:ice-udp:1' ufrag='Xs2s' pwd='Kb6Q4uMdXUC4KKEzuPKlwB3o'>
   <fingerprint xmlns='urn:xmpp:jingle:apps:dtls:0' hash='sha-256' setup='actpass'>)" +
                                              fingerprint + R"(</fingerprint>
  </transport>
 </content>
 <group xmlns='urn:xmpp:jingle:apps:grouping:0' semantics='BUNDLE'><content name='0'/><content name='1'/></group>
</jingle>)";

// Dino (desktop, GStreamer underneath): contents named after their media, each with its own
// transport and no BUNDLE group; feedback for every payload type given on the description.
inline const QString dino_initiate = R"(
<jingle xmlns='urn:xmpp:jingle:1' action='session-initiate' initiator='owner@example.org/dino.4f2a' sid='sid-d'>
 <content creator='initiator' name='audio'>
  <description xmlns='urn:xmpp:jingle:apps:rtp:1' media='audio'>
   <payload-type id='99' name='opus' clockrate='48000' channels='2'><parameter name='useinbandfec' value='1'/></payload-type>
   <payload-type id='100' name='speex' clockrate='32000'/>
   <payload-type id='0' name='PCMU' clockrate='8000'/>
   <rtp-hdrext xmlns='urn:xmpp:jingle:apps:rtp:rtp-hdrext:0' id='1' uri='urn:ietf:params:rtp-hdrext:ssrc-audio-level'/>
   <rtcp-mux/>
  </description>
  <transport xmlns='urn:xmpp:jingle:transports:ice-udp:1' ufrag='d1a' pwd='dinoAudioPwd0123456789ab'>
   <fingerprint xmlns='urn:xmpp:jingle:apps:dtls:0' hash='sha-256' setup='actpass'>)" +
                                     fingerprint + R"(</fingerprint>
   <candidate component='1' foundation='1' generation='0' id='d1' ip='127.0.0.1' network='0' port='50000' priority='2013266431' protocol='udp' type='host'/>
  </transport>
 </content>
 <content creator='initiator' name='video'>
  <description xmlns='urn:xmpp:jingle:apps:rtp:1' media='video'>
   <payload-type id='96' name='VP8' clockrate='90000'/>
   <payload-type id='97' name='VP9' clockrate='90000'/>
   <rtcp-fb xmlns='urn:xmpp:jingle:apps:rtp:rtcp-fb:0' type='nack'/>
   <rtcp-fb xmlns='urn:xmpp:jingle:apps:rtp:rtcp-fb:0' type='nack' subtype='pli'/>
   <rtcp-fb xmlns='urn:xmpp:jingle:apps:rtp:rtcp-fb:0' type='ccm' subtype='fir'/>
   <rtcp-mux/>
  </description>
  <transport xmlns='urn:xmpp:jingle:transports:ice-udp:1' ufrag='d1v' pwd='dinoVideoPwd0123456789ab'>
   <fingerprint xmlns='urn:xmpp:jingle:apps:dtls:0' hash='sha-256' setup='actpass'>)" +
                                     fingerprint + R"(</fingerprint>
  </transport>
 </content>
</jingle>)";

// A session-accept to the machine's offer (below), as Conversations answers it.
inline const QString conversations_accept = R"(
<jingle xmlns='urn:xmpp:jingle:1' action='session-accept' initiator='machine@example.org/vq' responder='owner@example.org/Conversations.x1' sid='sid-out'>
 <content creator='initiator' name='0' senders='both'>
  <description xmlns='urn:xmpp:jingle:apps:rtp:1' media='audio'>
   <payload-type id='96' name='OPUS' clockrate='48000' channels='2'><parameter name='useinbandfec' value='1'/></payload-type>
   <rtcp-mux/>
  </description>
  <transport xmlns='urn:xmpp:jingle:transports:ice-udp:1' ufrag='Rr9q' pwd='answerPwd0123456789abcde'>
   <fingerprint xmlns='urn:xmpp:jingle:apps:dtls:0' hash='sha-256' setup='active'>)" +
                                            fingerprint + R"(</fingerprint>
   <candidate component='1' foundation='1' generation='0' id='a1' ip='127.0.0.1' network='1' port='45000' priority='2122260223' protocol='udp' type='host'/>
  </transport>
 </content>
 <content creator='initiator' name='1' senders='both'>
  <description xmlns='urn:xmpp:jingle:apps:rtp:1' media='video'>
   <payload-type id='97' name='VP8' clockrate='90000'><rtcp-fb xmlns='urn:xmpp:jingle:apps:rtp:rtcp-fb:0' type='nack' subtype='pli'/></payload-type>
   <rtcp-mux/>
  </description>
  <transport xmlns='urn:xmpp:jingle:transports:ice-udp:1' ufrag='Rr9q' pwd='answerPwd0123456789abcde'>
   <fingerprint xmlns='urn:xmpp:jingle:apps:dtls:0' hash='sha-256' setup='active'>)" +
                                            fingerprint + R"(</fingerprint>
  </transport>
 </content>
 <group xmlns='urn:xmpp:jingle:apps:grouping:0' semantics='BUNDLE'><content name='0'/><content name='1'/></group>
</jingle>)";

// A voice call as the WebRTC apps send it (Monal, Conversations): the offer above without its
// video content.
inline QString voice_call() {
    QString xml = conversations_initiate;
    xml.remove(QRegularExpression("<content creator='initiator' name='1'.*</content>",
                                  QRegularExpression::DotMatchesEverythingOption));
    return xml.replace("<content name='0'/><content name='1'/>", "<content name='0'/>");
}

// webrtcbin's offer when the machine calls, and its answer to the offers above (audio and
// video, bundled): what the media double hands the session.
inline QString webrtc_description(const QString& setup, const QString& audio_mid,
                                  const QString& video_mid, bool with_video = true) {
    QString sdp =
        "v=0\r\no=- 4611731400430051336 2 IN IP4 127.0.0.1\r\ns=-\r\nt=0 0\r\n"
        "a=ice-options:trickle\r\na=group:BUNDLE " +
        audio_mid + (with_video ? " " + video_mid : QString()) +
        "\r\n"
        "m=audio 9 UDP/TLS/RTP/SAVPF 96\r\nc=IN IP4 0.0.0.0\r\na=setup:" +
        setup +
        "\r\na=ice-ufrag:WbRtcUfrag\r\na=ice-pwd:WbRtcPassword0123456789abcdef\r\n"
        "a=rtcp-mux\r\na=rtcp-rsize\r\na=sendrecv\r\na=rtpmap:96 OPUS/48000/2\r\n"
        "a=rtcp-fb:96 transport-cc\r\na=fmtp:96 useinbandfec=1\r\n"
        "a=ssrc:3484733412 msid:user3154545164@host-64b6a1f9 webrtctransceiver0\r\n"
        "a=ssrc:3484733412 cname:user3154545164@host-64b6a1f9\r\na=mid:" +
        audio_mid + "\r\na=fingerprint:sha-256 " + fingerprint + "\r\n";
    if (with_video)
        sdp += "m=video 9 UDP/TLS/RTP/SAVPF 97\r\nc=IN IP4 0.0.0.0\r\na=setup:" + setup +
               "\r\na=ice-ufrag:WbRtcUfrag\r\na=ice-pwd:WbRtcPassword0123456789abcdef\r\n"
               "a=rtcp-mux\r\na=sendonly\r\na=rtpmap:97 VP8/90000\r\na=rtcp-fb:97 nack\r\n"
               "a=rtcp-fb:97 nack pli\r\na=rtcp-fb:97 ccm fir\r\n"
               "a=ssrc:1129480731 cname:user3154545164@host-64b6a1f9\r\na=mid:" +
               video_mid + "\r\na=fingerprint:sha-256 " + fingerprint + "\r\n";
    return sdp;
}

}  // namespace samples
