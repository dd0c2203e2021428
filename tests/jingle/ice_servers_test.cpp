// STUN and TURN servers from the account's server (XEP-0215) and from the account file.
#include <gtest/gtest.h>

#include <QDomDocument>
#include <QStringList>

#include "jingle/ice_servers.h"

using namespace jingle;

namespace {

QStringList uris(const std::vector<CallMedia::IceServer>& servers) {
    QStringList list;
    for (const auto& s : servers)
        list << s.uri + (s.user.isEmpty() ? "" : " " + s.user + "/" + s.password);
    return list;
}

TEST(IceServers, DiscoveredAndOverridden) {
    QDomDocument document;
    ASSERT_TRUE(document.setContent(
        QString("<services xmlns='urn:xmpp:extdisco:2'>"
                "<service host='stun.example.org' port='3478' transport='udp' type='stun'/>"
                "<service host='turn.example.org' port='3478' transport='udp' type='turn' "
                "username='u' password='p'/>"
                "<service host='turn.example.org' port='443' transport='tcp' type='turns' "
                "username='u' password='p'/>"
                "<service host='2001:db8::1' port='3478' type='stun'/>"
                "<service host='upload.example.org' type='http'/>"
                "<service type='stun'/></services>"),
        true));
    const auto discovered = ice_servers_from(document.documentElement());
    EXPECT_EQ(
        uris(discovered),
        QStringList({"stun:stun.example.org:3478", "turn:turn.example.org:3478 u/p",
                     "turns:turn.example.org:443?transport=tcp u/p", "stun:[2001:db8::1]:3478"}));
    const struct {
        IceOverrides overrides;
        QStringList expected;
    } cases[] = {
        {{}, uris(discovered)},
        {{"own.example.net", {}, {}, {}},
         {"stun:own.example.net:3478", "turn:turn.example.org:3478 u/p",
          "turns:turn.example.org:443?transport=tcp u/p"}},
        {{{}, "turn:relay.example.net:5349", "me", "secret"},
         {"turn:relay.example.net:5349 me/secret", "stun:stun.example.org:3478",
          "stun:[2001:db8::1]:3478"}},
        {{"stun:a.example.net:19302", "relay.example.net", "me", "secret"},
         {"stun:a.example.net:19302", "turn:relay.example.net:3478 me/secret"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(uris(with_overrides(discovered, c.overrides)), c.expected);
}

}  // namespace
