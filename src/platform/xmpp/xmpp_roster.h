#pragma once

#include <QDomElement>
#include <QString>
#include <QStringList>
#include <map>
#include <set>

// The account's contacts and their presence, in the terms of the chat/call client: a contact is
// someone with a mutual subscription, named by their bare JID, whose status is that of their
// most present resource. Addresses are looked up without regard to the case of their user and
// domain parts; the roster keeps them as the server spells them.
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
    // Whether the address is on the roster at all, whatever the subscription.
    bool is_listed(const QString& bare_jid) const;
    // The address as the roster spells it; `bare_jid` itself when it is not on the roster.
    QString spelled(const QString& bare_jid) const;

  private:
    struct Item {
        QString jid;  // as the server spells it
        QString subscription;
    };
    bool known_ = false;
    std::map<QString, Item> items_;                          // bare key -> item
    std::map<QString, std::map<QString, QString>> present_;  // bare key -> resource -> show
    std::set<QString> reported_;
};
