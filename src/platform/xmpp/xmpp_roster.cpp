#include "platform/xmpp/xmpp_roster.h"

#include "platform/xmpp/xmpp_stanzas.h"

bool XmppRoster::is_usable_handle(const QString& jid) {
    return !jid.isEmpty() && !jid.contains(QLatin1String(", ")) &&
           !jid.contains(QLatin1String("/$")) && !jid.contains(';') && !jid.contains(' ');
}

QStringList XmppRoster::update(const QDomElement& query, bool full) {
    if (full) subscriptions_.clear();
    known_ = true;
    QStringList unusable;
    for (QDomElement item = query.firstChildElement(QStringLiteral("item")); !item.isNull();
         item = item.nextSiblingElement(QStringLiteral("item"))) {
        const QString jid = item.attribute(QStringLiteral("jid"));
        const QString subscription = item.attribute(QStringLiteral("subscription"), "none");
        if (subscription == QLatin1String("remove")) {
            subscriptions_.erase(jid);
            continue;
        }
        subscriptions_[jid] = subscription;
        if (!is_usable_handle(jid) && reported_.insert(jid).second) unusable.append(jid);
    }
    return unusable;
}

bool XmppRoster::presence(const QDomElement& stanza) {
    const QString from = stanza.attribute(QStringLiteral("from"));
    const QString type = stanza.attribute(QStringLiteral("type"));
    const QString resource = from.section('/', 1);
    auto& resources = present_[xmpp::bare(from)];
    if (type == QLatin1String("unavailable")) {
        resources.erase(resource);
        return true;
    }
    if (!type.isEmpty()) return false;
    resources[resource] = stanza.firstChildElement(QStringLiteral("show")).text().trimmed();
    return true;
}

void XmppRoster::forget() {
    known_ = false;
    present_.clear();
}

QStringList XmppRoster::contacts() const {
    QStringList all;
    for (const auto& [jid, subscription] : subscriptions_)
        if (subscription == QLatin1String("both") && is_usable_handle(jid)) all.append(jid);
    return all;
}

bool XmppRoster::is_contact(const QString& bare_jid) const {
    return subscription(bare_jid) == QLatin1String("both") && is_usable_handle(bare_jid);
}

QString XmppRoster::subscription(const QString& bare_jid) const {
    const auto found = subscriptions_.find(bare_jid);
    return found == subscriptions_.end() ? QStringLiteral("none") : found->second;
}

// The most reachable of the contact's resources decides: one that is simply available makes
// them ONLINE, else chat, away, xa and dnd in that order.
QString XmppRoster::online_status(const QString& bare_jid) const {
    const auto found = present_.find(bare_jid);
    if (!is_contact(bare_jid) || found == present_.end() || found->second.empty())
        return QStringLiteral("OFFLINE");
    static const std::pair<const char*, const char*> ranked[] = {
        {"", "ONLINE"}, {"chat", "ONLINE"}, {"away", "AWAY"}, {"xa", "NA"}, {"dnd", "DND"}};
    for (const auto& [show, status] : ranked)
        for (const auto& [resource, shown] : found->second)
            if (shown == QLatin1String(show)) return QLatin1String(status);
    return QStringLiteral("ONLINE");
}
