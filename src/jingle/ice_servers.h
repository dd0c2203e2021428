#pragma once

#include <QDomElement>
#include <QString>
#include <vector>

#include "jingle/call_media.h"

// The STUN and TURN servers a call uses: those the account's server names through external
// service discovery (XEP-0215), as the messenger apps find theirs, unless the account file names
// its own.
namespace jingle {

inline constexpr auto ns_extdisco = "urn:xmpp:extdisco:2";

// The <services> element of the server's answer; servers of other kinds are left out.
std::vector<CallMedia::IceServer> ice_servers_from(const QDomElement& services);

struct IceOverrides {
    QString stun;  // host[:port], or "stun:host:port"
    QString turn;  // host[:port], or "turn:host:port"
    QString turn_user;
    QString turn_password;
};
// A STUN (TURN) server named in the account file takes the place of every discovered one.
std::vector<CallMedia::IceServer> with_overrides(std::vector<CallMedia::IceServer> discovered,
                                                 const IceOverrides& overrides);

}  // namespace jingle
