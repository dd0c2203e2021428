#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QDnsLookup;

// Finds where a domain's XMPP server listens, without blocking: the host and port the account
// names, else the domain's SRV record (_xmpp-client._tcp), else the domain itself on 5222; then
// the host's address.
class XmppResolver : public QObject {
  public:
    struct Result {
        QString address;  // numeric; empty when nothing was found
        quint16 port = 0;
        QString problem;
    };

    void resolve(const QString& domain, const QString& host, quint16 port,
                 std::function<void(const Result&)> done);

  private:
    void srv_answered(QDnsLookup* lookup, const QString& domain, quint16 port);
    void look_up_host(const QString& host, quint16 port);

    std::function<void(const Result&)> done_;
    int generation_ = 0;  // a newer resolve makes older answers void
};
