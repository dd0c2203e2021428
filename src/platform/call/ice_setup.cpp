#include "platform/call/ice_setup.h"

#include <nice/agent.h>
#include <nice/interfaces.h>

#include <QUrl>

#include "log/categories.h"

namespace ice_setup {
namespace {
// "host:port" as written after the scheme; the port is kept when given.
QString host_and_port(const QString& rest) {
    const QUrl parsed(QStringLiteral("x://") + rest);
    if (!parsed.isValid() || parsed.host().isEmpty()) return {};
    QString host = parsed.host();
    if (host.contains(':')) host = '[' + host + ']';
    return parsed.port() > 0 ? host + ':' + QString::number(parsed.port()) : host;
}

QStringList strings_of(GList* list) {
    QStringList texts;
    for (GList* item = list; item; item = item->next)
        texts.append(QString::fromUtf8(static_cast<const char*>(item->data)));
    g_list_free_full(list, g_free);
    return texts;
}
}  // namespace

QString webrtcbin_uri(const CallMedia::IceServer& server) {
    const qsizetype colon = server.uri.indexOf(':');
    if (colon < 0) return {};
    const QString scheme = server.uri.left(colon).toLower();
    QString rest = server.uri.mid(colon + 1);
    if (rest.startsWith(QLatin1String("//"))) rest = rest.mid(2);
    // "?transport=tcp" stays: webrtcbin reaches a TURN server over TCP when told so.
    const QString query = rest.contains('?') ? '?' + rest.section('?', 1) : QString();
    const QString address = host_and_port(rest.section('?', 0, 0));
    if (address.isEmpty()) return {};
    if (scheme == QLatin1String("stun")) return QStringLiteral("stun://") + address;
    if (scheme == QLatin1String("turn") || scheme == QLatin1String("turns")) {
        const QString user = QString::fromLatin1(QUrl::toPercentEncoding(server.user));
        const QString password = QString::fromLatin1(QUrl::toPercentEncoding(server.password));
        return scheme + QStringLiteral("://") + user + ':' + password + '@' + address + query;
    }
    return {};
}

void configure(GstElement* webrtcbin, const std::vector<CallMedia::IceServer>& servers) {
    bool have_stun = false;
    for (const CallMedia::IceServer& server : servers) {
        const QString uri = webrtcbin_uri(server);
        if (uri.isEmpty()) {
            qCWarning(call_log) << "ICE server not understood, left out:" << server.uri;
        } else if (uri.startsWith(QLatin1String("stun://"))) {
            if (have_stun) continue;  // webrtcbin takes one STUN server
            g_object_set(webrtcbin, "stun-server", uri.toUtf8().constData(), nullptr);
            have_stun = true;
        } else {
            gboolean added = FALSE;
            g_signal_emit_by_name(webrtcbin, "add-turn-server", uri.toUtf8().constData(), &added);
            if (!added) qCWarning(call_log) << "TURN server refused:" << server.uri;
        }
    }

    GstObject* ice = nullptr;
    g_object_get(webrtcbin, "ice-agent", &ice, nullptr);
    if (!ice) return;
    g_object_set(ice, "ice-tcp", FALSE, nullptr);
    NiceAgent* agent = nullptr;
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(ice), "agent"))
        g_object_get(ice, "agent", &agent, nullptr);
    if (agent) {
        QStringList addresses = strings_of(nice_interfaces_get_local_ips(FALSE));
        if (addresses.isEmpty()) addresses = {QStringLiteral("127.0.0.1"), QStringLiteral("::1")};
        for (const QString& text : addresses) {
            NiceAddress address;
            nice_address_init(&address);
            if (nice_address_set_from_string(&address, text.toUtf8().constData()))
                nice_agent_add_local_address(agent, &address);
        }
        g_object_unref(agent);
    }
    gst_object_unref(ice);
}

}  // namespace ice_setup
