#include "platform/xmpp/xmpp_client.h"

#include "client/client_core.h"
#include "log/categories.h"
#include "platform/xmpp/live_picture.h"
#include "platform/xmpp/xmpp_owner_side.h"
#include "platform/xmpp/xmpp_resolver.h"
#include "platform/xmpp/xmpp_stream.h"

namespace {
ClientCoreOptions core_options(const std::optional<XmppAccount>& account) {
    ClientCoreOptions options;
    options.own_handle = account ? account->jid : QStringLiteral("xmpp");
    options.owner.clear();  // the contacts come from the roster
    options.other_contacts.clear();
    return options;
}
}  // namespace

XmppClient::XmppClient(Scheduler& scheduler, XmppAccount::Loaded account, Camera* camera,
                       CallMediaFactory media)
    : account_(std::move(account.account)),
      problem_(std::move(account.problem)),
      core_(std::make_unique<ClientCore>(scheduler, core_options(account_))),
      stream_(std::make_unique<XmppStream>()),
      resolver_(std::make_unique<XmppResolver>()),
      live_picture_(std::make_unique<LivePicture>(
          camera, [this] { return core_->video_source ? core_->video_source() : QImage(); })) {
    XmppOwnerSide::Options side;
    if (account_) {
        side.domain = account_->domain();
        side.ca_file = account_->ca_file;
        side.stale_minutes = account_->stale_minutes;
        side.ice = {account_->stun, account_->turn, account_->turn_user, account_->turn_password};
    }
    side.media = std::move(media);
    owner_side_ = std::make_unique<XmppOwnerSide>(*core_, side);
    owner_side_->send = [this](const QString& stanza) { stream_->send(stanza); };
    owner_side_->take_live_picture = [this](LivePicture::Done done) {
        live_picture_->take(std::move(done));
    };
    stream_->on_connected = [this] { connected(); };
    stream_->on_disconnected = [this](XmppStream::Failure failure, const QString& why) {
        lost(static_cast<int>(failure), why);
    };
    stream_->on_stanza = [this](const QDomElement& stanza) { owner_side_->receive(stanza); };
    retry_.setSingleShot(true);
    QObject::connect(&retry_, &QTimer::timeout, [this] { connect_now(); });
}

XmppClient::~XmppClient() {
    stream_->on_disconnected = nullptr;
    stream_->close();
    owner_side_.reset();
}

void XmppClient::start() {
    if (!account_) {
        give_up(problem_);
        return;
    }
    connect_now();
}

void XmppClient::connect_now() {
    core_->set_connection(QStringLiteral("CONNECTING"));
    resolver_->resolve(account_->domain(), account_->host, account_->port,
                       [this](const XmppResolver::Result& where) {
                           if (where.address.isEmpty()) {
                               retry_later(where.problem);
                               return;
                           }
                           if (!stream_->open(account_->jid, account_->password, where.address,
                                              where.port, account_->ca_file))
                               retry_later(QStringLiteral("cannot connect to ") + where.address);
                       });
}

void XmppClient::connected() {
    retry_ms_ = first_retry_ms;
    problem_.clear();
    qCInfo(xmpp_log) << "online as" << stream_->bound_jid();
    owner_side_->stream_up(stream_->bound_jid());
    core_->set_connection(QStringLiteral("ONLINE"));
}

void XmppClient::lost(int failure, const QString& why) {
    owner_side_->stream_down();
    const auto kind = static_cast<XmppStream::Failure>(failure);
    if (kind == XmppStream::Failure::authentication || kind == XmppStream::Failure::certificate)
        give_up(QStringLiteral("%1: %2").arg(account_->jid, why));
    else
        retry_later(why);
}

void XmppClient::retry_later(const QString& why) {
    qCWarning(xmpp_log) << "offline:" << why << "- trying again in" << retry_ms_ / 1000 << "s";
    core_->set_connection(QStringLiteral("OFFLINE"));
    retry_.start(retry_ms_);
    retry_ms_ = std::min(retry_ms_ * 2, last_retry_ms);
}

// A refused login or certificate will be refused again: no retries until the user acts.
void XmppClient::give_up(const QString& why) {
    problem_ = why;
    retry_.stop();
    qCWarning(xmpp_log).noquote() << "logged out:" << why;
    core_->set_connection(QStringLiteral("LOGGEDOUT"));
    if (on_problem) on_problem(why);
}
