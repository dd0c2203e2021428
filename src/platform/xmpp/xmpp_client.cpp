#include "platform/xmpp/xmpp_client.h"

#include <QNetworkInformation>
#include <QRandomGenerator>
#include <QThread>
#include <algorithm>

#include "client/client_core.h"
#include "log/categories.h"
#include "omemo/omemo_device.h"
#include "platform/xmpp/live_picture.h"
#include "platform/xmpp/xmpp_omemo.h"
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
                       const QString& outbox_file, CallMediaFactory media,
                       const QString& omemo_file)
    : scheduler_(scheduler),
      account_(std::move(account.account)),
      problem_(std::move(account.problem)),
      core_(std::make_unique<ClientCore>(scheduler, core_options(account_))),
      stream_(std::make_unique<XmppStream>()),
      resolver_(std::make_unique<XmppResolver>()),
      live_picture_(std::make_unique<LivePicture>(scheduler, camera, [this] {
          return core_->video_source ? core_->video_source() : QImage();
      })) {
    XmppOwnerSide::Options side;
    if (account_) {
        side.domain = account_->domain();
        side.ca_file = account_->ca_file;
        side.stale_minutes = account_->stale_minutes;
        side.ice = {account_->stun, account_->turn, account_->turn_user, account_->turn_password};
    }
    side.media = std::move(media);
    owner_side_ = std::make_unique<XmppOwnerSide>(*core_, scheduler, side);
    if (!outbox_file.isEmpty()) owner_side_->outbox().keep_in(outbox_file);
    open_omemo(omemo_file);
    owner_side_->send = [this](const QString& stanza) { stream_->send(stanza); };
    owner_side_->take_live_picture = [this](LivePicture::Done done) {
        live_picture_->take(std::move(done));
    };
    stream_->on_connected = [this] { connected(); };
    stream_->on_disconnected = [this](XmppStream::Failure failure, const QString& why) {
        lost(static_cast<int>(failure), why);
    };
    stream_->admit = [this](const xmpp::Head& head) { return owner_side_->admits(head); };
    stream_->on_stanza = [this](const QDomElement& stanza) { owner_side_->receive(stanza); };
    scheduler_.while_blocked = [this](int ms) { work_while_blocked(ms); };
}

XmppClient::~XmppClient() {
    lifetime_.end();
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

// Keys that cannot be kept would change at every start, and the owner's apps would distrust the
// machine: no login until the file can be written.
void XmppClient::open_omemo(const QString& file) {
    if (!account_ || account_->encryption == XmppAccount::Encryption::off) return;
    if (file.isEmpty()) {
        qCInfo(xmpp_log) << "no file for the encryption keys: messages go unencrypted";
        return;
    }
    QString problem;
    auto device = OmemoDevice::open(file, &problem);
    if (!device) {
        problem_ = QStringLiteral("%1: the encryption keys cannot be kept: %2").arg(file, problem);
        account_.reset();
        return;
    }
    qCInfo(xmpp_log).noquote() << "OMEMO device" << device->device_id() << "fingerprint"
                               << XmppAccount::grouped(device->fingerprint());
    owner_side_->use_omemo(std::move(device), account_->encryption, account_->owner_fingerprints);
}

void XmppClient::start() {
    if (!account_) {
        give_up(problem_);
        return;
    }
    if (owner_side_->current_target().isEmpty())
        qCWarning(xmpp_log) << "no call target is set: nobody's commands will be obeyed";
    watch_network();
    connect_now();
}

// Without a backend (no NetworkManager, no GLib monitor) the waits alone bring the client back.
void XmppClient::watch_network() {
    if (!QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability)) {
        qCInfo(xmpp_log) << "the network's coming back is not watched: reconnecting on a timer";
        return;
    }
    QObject::connect(QNetworkInformation::instance(), &QNetworkInformation::reachabilityChanged,
                     &network_context_, [this](QNetworkInformation::Reachability reachability) {
                         if (reachability == QNetworkInformation::Reachability::Online)
                             network_back();
                     });
}

void XmppClient::network_back() {
    if (!waiting_) return;
    qCInfo(xmpp_log) << "the network is back: connecting now";
    attempt_ = 0;
    connect_now();
}

void XmppClient::connect_now() {
    waiting_ = false;
    ++retry_number_;
    if (!offline_.reason.isEmpty()) offline_.retry_due_ms = scheduler_.now_ms();
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
    attempt_ = 0;
    problem_.clear();
    offline_ = {};
    offline_told_.clear();
    qCInfo(xmpp_log) << "online as" << stream_->bound_jid();
    owner_side_->stream_up(stream_->bound_jid());
    core_->set_connection(QStringLiteral("ONLINE"));
}

void XmppClient::lost(int failure, const QString& why) {
    owner_side_->stream_down();
    const auto kind = static_cast<XmppStream::Failure>(failure);
    if (kind == XmppStream::Failure::authentication || kind == XmppStream::Failure::certificate ||
        kind == XmppStream::Failure::encryption) {
        give_up(QStringLiteral("%1: %2").arg(account_->jid, why));
        offline_.reason = why;  // the window has room for little, and the address is known
    } else {
        retry_later(why);
    }
}

int XmppClient::retry_wait_ms(int attempt, double random_0_to_1) {
    const int doubled = first_retry_ms << std::clamp(attempt, 0, 16);
    const int wait = std::min(doubled, last_retry_ms);
    return wait - static_cast<int>(wait / 4 * std::clamp(random_0_to_1, 0.0, 1.0));
}

// A server that stays away is one warning in the journal, not one a minute: the same reason
// again goes to the debug lines until the client has been online.
void XmppClient::retry_later(const QString& why) {
    const int wait = retry_wait_ms(attempt_++, QRandomGenerator::global()->generateDouble());
    if (why != offline_told_) {
        offline_told_ = why;
        qCWarning(xmpp_log).noquote()
            << "offline:" << why << "- trying again in" << qRound(wait / 1000.0)
            << "s, and quietly on until it is back";
    } else {
        qCDebug(xmpp_log).noquote()
            << "still offline:" << why << "- trying again in" << qRound(wait / 1000.0) << "s";
    }
    offline_ = {why, scheduler_.now_ms() + wait};
    core_->set_connection(QStringLiteral("OFFLINE"));
    waiting_ = true;
    scheduler_.post_after(wait, lifetime_.guard([this, number = ++retry_number_] {
        if (waiting_ && number == retry_number_) connect_now();
    }));
}

// A refused login or certificate will be refused again: no retries until the user acts.
void XmppClient::give_up(const QString& why) {
    problem_ = why;
    offline_ = {why, -1};
    waiting_ = false;
    ++retry_number_;
    qCWarning(xmpp_log).noquote() << "logged out:" << why;
    core_->set_connection(QStringLiteral("LOGGEDOUT"));
    if (!on_problem) return;
    // The program hears of it as of anything else: never inside one of its blocking waits.
    if (!blocked_) return on_problem(why);
    scheduler_.post(lifetime_.guard([this, why] {
        if (on_problem) on_problem(why);
    }));
}
