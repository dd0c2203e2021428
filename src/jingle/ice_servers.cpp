#include "jingle/ice_servers.h"

namespace jingle {

namespace {

QString host_port(QString host, const QString& port) {
    if (host.contains(':') && !host.startsWith('[')) host = '[' + host + ']';  // IPv6
    return port.isEmpty() ? host : host + ':' + port;
}

bool is_kind(const CallMedia::IceServer& server, const QString& scheme) {
    return server.uri.startsWith(scheme + ':');
}

// "host", "host:port" or "scheme:host:port" as "scheme:host:port".
QString uri(const QString& written, const QString& scheme, const QString& default_port) {
    QString text = written.trimmed();
    if (text.startsWith(scheme + ':')) return text;
    if (!text.contains(':') || (text.startsWith('[') && text.endsWith(']')))
        text += ':' + default_port;
    return scheme + ':' + text;
}

}  // namespace

std::vector<CallMedia::IceServer> ice_servers_from(const QDomElement& services) {
    std::vector<CallMedia::IceServer> found;
    for (QDomElement s = services.firstChildElement(QStringLiteral("service")); !s.isNull();
         s = s.nextSiblingElement(QStringLiteral("service"))) {
        const QString type = s.attribute(QStringLiteral("type"));
        const QString host = s.attribute(QStringLiteral("host"));
        if (host.isEmpty() || (type != QLatin1String("stun") && type != QLatin1String("turn") &&
                               type != QLatin1String("turns")))
            continue;
        QString uri = type + ':' + host_port(host, s.attribute(QStringLiteral("port")));
        if (type != QLatin1String("stun") &&
            s.attribute(QStringLiteral("transport")) == QLatin1String("tcp"))
            uri += QStringLiteral("?transport=tcp");
        found.push_back({uri, s.attribute(QStringLiteral("username")),
                         s.attribute(QStringLiteral("password"))});
    }
    return found;
}

std::vector<CallMedia::IceServer> with_overrides(std::vector<CallMedia::IceServer> discovered,
                                                 const IceOverrides& overrides) {
    std::vector<CallMedia::IceServer> servers;
    const bool own_stun = !overrides.stun.trimmed().isEmpty();
    const bool own_turn = !overrides.turn.trimmed().isEmpty();
    if (own_stun) servers.push_back({uri(overrides.stun, QStringLiteral("stun"), "3478"), {}, {}});
    if (own_turn)
        servers.push_back({uri(overrides.turn, QStringLiteral("turn"), "3478"), overrides.turn_user,
                           overrides.turn_password});
    for (CallMedia::IceServer& server : discovered) {
        const bool turn =
            is_kind(server, QStringLiteral("turn")) || is_kind(server, QStringLiteral("turns"));
        if ((turn && !own_turn) || (!turn && !own_stun)) servers.push_back(std::move(server));
    }
    return servers;
}

}  // namespace jingle
