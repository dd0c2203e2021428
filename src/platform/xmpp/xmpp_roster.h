#pragma once

#include <QDomElement>
#include <QString>
#include <QStringList>
#include <map>
#include <set>

// The account's contacts and their presence, in the terms of the chat/call client: a contact is
// someone with a mutual subscription, named by their bare JID, whose status is that of their
// most present resource.
class XmppRoster {
  public:
    // A JID the text protocol cannot carry unambiguously (", ", "/$", ";", a blank).
    static bool is_usable_handle(const QString& jid);

    bool known() const { return known_; }
    // A roster result or push; returns the JIDs newly found unusable, to be reported once.
    QStringList update(const QDomElement& query, bool full);
    // Presence from `from` (a full JID); false when it was not about availability.
    bool presence(const QDomElement& stanza);
    void forget();  // a new stream starts with neither roster nor presence

    QStringList contacts() const;
    bool is_contact(const QString& bare_jid) const;
    // The subscription the account has with `bare_jid` ("none" when not in the roster).
    QString subscription(const QString& bare_jid) const;
    QString online_status(const QString& bare_jid) const;

  private:
    bool known_ = false;
    std::map<QString, QString> subscriptions_;               // bare JID -> subscription
    std::map<QString, std::map<QString, QString>> present_;  // bare JID -> resource -> show
    std::set<QString> reported_;
};
