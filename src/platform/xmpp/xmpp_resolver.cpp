#include "platform/xmpp/xmpp_resolver.h"

#include <QDnsLookup>
#include <QHostInfo>

namespace {
constexpr quint16 default_port = 5222;
}

void XmppResolver::resolve(const QString& domain, const QString& host, quint16 port,
                           std::function<void(const Result&)> done) {
    done_ = std::move(done);
    ++generation_;
    if (!host.isEmpty()) {
        look_up_host(host, port ? port : default_port);
        return;
    }
    auto* lookup =
        new QDnsLookup(QDnsLookup::SRV, QStringLiteral("_xmpp-client._tcp.") + domain, this);
    connect(lookup, &QDnsLookup::finished, this,
            [this, lookup, domain, port] { srv_answered(lookup, domain, port); });
    lookup->lookup();
}

void XmppResolver::srv_answered(QDnsLookup* lookup, const QString& domain, quint16 port) {
    lookup->deleteLater();
    // Qt sorts the records by priority and weight: the first is the one to try.
    const auto records = lookup->serviceRecords();
    if (lookup->error() == QDnsLookup::NoError && !records.isEmpty() &&
        records.first().target() != QLatin1String(".")) {
        look_up_host(records.first().target(), port ? port : records.first().port());
        return;
    }
    look_up_host(domain, port ? port : default_port);
}

void XmppResolver::look_up_host(const QString& host, quint16 port) {
    const int generation = generation_;
    QHostInfo::lookupHost(host, this, [this, host, port, generation](const QHostInfo& info) {
        if (generation != generation_ || !done_) return;
        Result result;
        if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
            result.problem =
                QStringLiteral("cannot find the server %1: %2").arg(host, info.errorString());
        } else {
            result.address = info.addresses().first().toString();
            result.port = port;
        }
        done_(result);
    });
}
