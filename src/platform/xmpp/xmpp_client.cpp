#include "platform/xmpp/xmpp_client.h"

#include <QThread>

#include "client/client_core.h"
#include "log/categories.h"
#include "platform/xmpp/live_picture.h"
#include "platform/xmpp/xmpp_owner_side.h"
#include "platform/xmpp/xmpp_resolver.h"
#include "platform/xmpp/xmpp_stream.h"
#include "time/scheduler.h"

namespace {
ClientCoreOptions core_options(const std::optional<XmppAccount>& account) {
    ClientCoreOptions options;
    options.own_handle = account ? account->jid : QStringLiteral("xmpp");
    options.owner.clear();  // the contacts come from the roster
    options.other_contacts.clear();
    return options;
}
}  // namespace

XmppClient::XmppClient(Scheduler& scheduler, XmppAccount::Loaded account, CameraOwner* camera,
                       const QString& outbox_file)
    : scheduler_(scheduler),
      account_(std::move(account.account)),
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
    }
    owner_side_ = std::make_unique<XmppOwnerSide>(*core_, side);
    if (!outbox_file.isEmpty()) owner_side_->outbox().keep_in(outbox_file);
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
    scheduler_.while_blocked = [this](int ms) { work_while_blocked(ms); };
}

XmppClient::~XmppClient() {
    scheduler_.while_blocked = nullptr;
    stream_->on_disconnected = nullptr;
    stream_->close();
    owner_side_.reset();
}

// In short slices, so that a transfer that ends is handed over soon; without a stream, only the
// transfers.
void XmppClient::work_while_blocked(int ms) {
    constexpr int slice_ms = 10;
    const int wait_ms = std::min(ms, slice_ms);
    blocked_ = true;
    if (!stream_->work_for(wait_ms)) QThread::msleep(static_cast<unsigned long>(wait_ms));
    owner_side_->take_network_results();
    blocked_ = false;
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
    if (!on_problem) return;
    // The program hears of it as of anything else: never inside one of its blocking waits.
    if (!blocked_) return on_problem(why);
    const std::weak_ptr<bool> alive = alive_;
    scheduler_.post([this, alive, why] {
        if (!alive.expired() && on_problem) on_problem(why);
    });
}
