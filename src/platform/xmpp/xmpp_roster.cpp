#include "platform/xmpp/xmpp_roster.h"

#include "platform/xmpp/xmpp_stanzas.h"

bool XmppRoster::is_usable_handle(const QString& jid) {
    return !jid.isEmpty() && !jid.contains(QLatin1String(", ")) &&
           !jid.contains(QLatin1String("/$")) && !jid.contains(';') && !jid.contains(' ');
}

QStringList XmppRoster::update(const QDomElement& query, bool full) {
    if (full) items_.clear();
    known_ = true;
    QStringList unusable;
    for (QDomElement item = query.firstChildElement(QStringLiteral("item")); !item.isNull();
         item = item.nextSiblingElement(QStringLiteral("item"))) {
        const QString jid = item.attribute(QStringLiteral("jid"));
        const QString subscription = item.attribute(QStringLiteral("subscription"), "none");
        if (subscription == QLatin1String("remove")) {
            items_.erase(xmpp::bare_key(jid));
            continue;
        }
        items_[xmpp::bare_key(jid)] = Item{jid, subscription};
        if (!is_usable_handle(jid) && reported_.insert(jid).second) unusable.append(jid);
    }
    return unusable;
}

bool XmppRoster::presence(const QDomElement& stanza) {
    const QString from = stanza.attribute(QStringLiteral("from"));
    const QString type = stanza.attribute(QStringLiteral("type"));
    const QString resource = from.section('/', 1);
    // Only the roster's people are followed: anyone else's presence would only take room.
    if (!is_listed(from)) return false;
    auto& resources = present_[xmpp::bare_key(from)];
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
    for (const auto& [key, item] : items_)
        if (item.subscription == QLatin1String("both") && is_usable_handle(item.jid))
            all.append(item.jid);
    return all;
}

bool XmppRoster::is_listed(const QString& bare_jid) const {
    return items_.count(xmpp::bare_key(bare_jid)) > 0;
}

QString XmppRoster::spelled(const QString& bare_jid) const {
    const auto found = items_.find(xmpp::bare_key(bare_jid));
    return found == items_.end() ? xmpp::bare(bare_jid) : found->second.jid;
}

bool XmppRoster::is_contact(const QString& bare_jid) const {
    return subscription(bare_jid) == QLatin1String("both") && is_usable_handle(spelled(bare_jid));
}

QString XmppRoster::subscription(const QString& bare_jid) const {
    const auto found = items_.find(xmpp::bare_key(bare_jid));
    return found == items_.end() ? QStringLiteral("none") : found->second.subscription;
}

// The most reachable of the contact's resources decides: one that is simply available makes
// them ONLINE, else chat, away, xa and dnd in that order.
QString XmppRoster::online_status(const QString& bare_jid) const {
    const auto found = present_.find(xmpp::bare_key(bare_jid));
    if (!is_contact(bare_jid) || found == present_.end() || found->second.empty())
        return QStringLiteral("OFFLINE");
    static const std::pair<const char*, const char*> ranked[] = {
        {"", "ONLINE"}, {"chat", "ONLINE"}, {"away", "AWAY"}, {"xa", "NA"}, {"dnd", "DND"}};
    for (const auto& [show, status] : ranked)
        for (const auto& [resource, shown] : found->second)
            if (shown == QLatin1String(show)) return QLatin1String(status);
    return QStringLiteral("ONLINE");
}
