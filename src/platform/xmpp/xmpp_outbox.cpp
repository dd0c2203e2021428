#include "platform/xmpp/xmpp_outbox.h"

#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

#include "log/categories.h"
#include "omemo/aesgcm_file.h"
#include "platform/xmpp/xmpp_stanzas.h"
#include "time/scheduler.h"

namespace {
QString local_time(const QDateTime& moment) {
    return moment.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}
}  // namespace

XmppOutbox::XmppOutbox(Scheduler& scheduler, Uploader& uploader, std::function<qint64()> ring_ms)
    : scheduler_(scheduler), uploader_(uploader), ring_ms_(std::move(ring_ms)) {}

void XmppOutbox::keep_in(const QString& file) {
    store_file_ = file;
    load();
}

XmppOutbox::~XmppOutbox() {
    *alive_ = false;
}

QDateTime XmppOutbox::now() const {
    return scheduler_.current_date_time().toUTC();
}

void XmppOutbox::later(qint64 ms, void (XmppOutbox::*what)()) {
    const std::weak_ptr<bool> alive = alive_;
    scheduler_.post_after(ms, [this, alive, what] {
        if (const auto still = alive.lock(); still && *still) (this->*what)();
    });
}

// ---- what the machine sends

void XmppOutbox::line(const QString& to, const QString& body) {
    add(Kind::line, to, body);
}

void XmppOutbox::notice(const QString& to, const QString& body) {
    add(Kind::notice, to, body);
}

void XmppOutbox::picture(const QString& to, const QString& path, std::function<void()> then) {
    add(Kind::picture, to, path, {}, std::move(then));
}

void XmppOutbox::call(const QString& to, const QString& action, const QString& sid) {
    if (cancels_unsent_proposal(action, sid)) return;
    add(Kind::call, to, action, sid);
}

void XmppOutbox::stanza(const QString& stanza) {
    add(Kind::stanza, {}, stanza);
}

// A call that ends before its proposal left never rang: neither goes.
bool XmppOutbox::cancels_unsent_proposal(const QString& action, const QString& sid) {
    if (unrung_.count(sid)) {
        if (action != QLatin1String("ringing") && action != QLatin1String("proceed"))
            unrung_.erase(sid);
        return true;
    }
    if (action == QLatin1String("propose")) return false;
    for (auto it = entries_.begin(); it != entries_.end(); ++it)
        if (it->kind == Kind::call && it->sid == sid && it->text == QLatin1String("propose")) {
            qCInfo(xmpp_log) << "a call ended before it could ring the phone: not proposed";
            entries_.erase(it);
            return true;
        }
    return false;
}

void XmppOutbox::add(Kind kind, const QString& to, const QString& text, const QString& sid,
                     std::function<void()> then) {
    Entry entry;
    entry.kind = kind;
    entry.to = to;
    entry.text = text;
    entry.sid = sid;
    entry.then = std::move(then);
    entry.made = now();
    entry.waited = !up_;
    entry.number = next_number_++;
    // Bounded, so that a server gone for days cannot fill the memory and the disk. While the
    // stream is up, what waits is only held a moment (for a picture's upload, or to learn whether
    // the contact reads encrypted): an owner's burst of commands must not lose its answers then.
    if (entries_.size() >= (up_ ? held_limit : limit)) {
        if (up_ && dropped_ == 0)
            qCWarning(xmpp_log) << "more than" << held_limit
                                << "messages wait to be sent: dropping the oldest";
        entries_.pop_front();
        ++dropped_;
    }
    const bool picture = entry.kind == Kind::picture;
    entries_.push_back(std::move(entry));
    if (picture || entries_.back().kind == Kind::line) save();
    if (picture) start_uploads();
    flush();
}

// ---- the stream

void XmppOutbox::stream_up() {
    up_ = true;
    if (dropped_ > 0)
        qCWarning(xmpp_log) << dropped_ << "messages were dropped while offline (queue full)";
    dropped_ = 0;
    for (Entry& entry : entries_) entry.not_before = 0;
    start_uploads();
    flush();
}

void XmppOutbox::stream_down() {
    up_ = false;
    uploader_.abandon();
    std::vector<std::function<void()>> thens;
    for (Entry& entry : entries_) {
        if (entry.state != State::uploading) continue;
        entry.state = State::waiting;
        if (entry.then) thens.push_back(std::exchange(entry.then, {}));
    }
    save();
    for (auto& then : thens) then();
}

void XmppOutbox::privacy_changed() {
    start_uploads();
    flush();
}

XmppOutbox::Privacy::Route XmppOutbox::route(const Entry& entry) const {
    if (!privacy_ || entry.to.isEmpty()) return Privacy::Route::plain;
    return privacy_->route(entry.to);
}

// The key stays with the entry, in memory only: after a restart the picture is sealed anew.
void XmppOutbox::seal_with(quint64 number, Uploader::Seal& seal) {
    const std::weak_ptr<bool> alive = alive_;
    seal = [this, alive, number](const QByteArray& file) -> std::optional<QByteArray> {
        auto sealed = aesgcm::seal(file);
        const auto still = alive.lock();
        Entry* entry = still && *still ? find(number) : nullptr;
        if (!sealed || !entry) return std::nullopt;
        entry->iv = sealed->iv;
        entry->key = sealed->key;
        return std::move(sealed->ciphertext);
    };
}

void XmppOutbox::start_uploads() {
    if (!up_) return;
    const qint64 now_ms = scheduler_.now_ms();
    bool started = false;
    for (Entry& entry : entries_) {
        if (entry.kind != Kind::picture || entry.state != State::waiting) continue;
        if (entry.not_before > now_ms) continue;
        // Whether it goes sealed is known only once the contact's devices are.
        const Privacy::Route how = route(entry);
        if (how == Privacy::Route::wait) continue;
        Uploader::Seal seal;
        if (how == Privacy::Route::sealed) seal_with(entry.number, seal);
        entry.iv.clear();
        entry.key.clear();
        entry.state = State::uploading;
        entry.hold_until = now_ms + hold_ms;
        ++entry.tries;
        started = true;
        const std::weak_ptr<bool> alive = alive_;
        uploader_.upload(entry.text, seal,
                         [this, alive, number = entry.number](const QString& url,
                                                              const QString& problem, bool retry) {
                             if (const auto still = alive.lock(); still && *still)
                                 uploaded(number, url, problem, retry);
                         });
    }
    // When the holds end, whatever waits behind a picture still uploading goes ahead of it.
    if (started) later(hold_ms, &XmppOutbox::flush);
}

XmppOutbox::Entry* XmppOutbox::find(quint64 number) {
    for (Entry& entry : entries_)
        if (entry.number == number) return &entry;
    return nullptr;
}

void XmppOutbox::uploaded(quint64 number, const QString& url, const QString& problem, bool retry) {
    Entry* entry = find(number);
    if (!entry || entry->state != State::uploading) return;
    const auto then = std::exchange(entry->then, {});
    if (!url.isEmpty()) {
        entry->state = State::uploaded;
        entry->url = url;
    } else if (retry && entry->tries < most_tries) {
        qCWarning(xmpp_log) << "picture upload failed, trying again:" << problem;
        entry->state = State::waiting;
        entry->not_before = scheduler_.now_ms() + retry_ms;
        later(retry_ms, &XmppOutbox::start_uploads);
    } else {
        qCWarning(xmpp_log) << "picture not sent:" << problem;
        entry->kind = Kind::line;
        entry->text = QStringLiteral("The picture could not be sent: %1.").arg(problem);
    }
    save();
    flush();
    if (then) then();
}

// ---- out onto the stream

// Sending may run the stream, and with it anything that adds to the outbox or ends an upload:
// the next entry is looked for afresh after each one, and a flush inside a flush leaves the work
// to the outer one.
void XmppOutbox::flush() {
    if (!up_ || flushing_) return;
    flushing_ = true;
    bool sent_kept = false;
    for (auto it = next_to_send(); it != entries_.end() && up_; it = next_to_send()) {
        const std::optional<QStringList> stanzas = compose(*it);
        if (!stanzas) {
            later(retry_ms, &XmppOutbox::flush);
            break;
        }
        sent_kept = sent_kept || it->kind == Kind::line || it->kind == Kind::picture;
        entries_.erase(it);
        for (const QString& stanza : *stanzas) send(stanza);
    }
    flushing_ = false;
    if (sent_kept) save();
}

// The first entry that may go: a picture still uploading holds the rest until its hold ends, and
// is passed after that; so is one waiting to try again. Whatever is not known yet to go plain or
// sealed holds everything behind it, so that nothing overtakes it.
std::deque<XmppOutbox::Entry>::iterator XmppOutbox::next_to_send() {
    const qint64 now_ms = scheduler_.now_ms();
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (route(*it) == Privacy::Route::wait) return entries_.end();
        if (it->kind != Kind::picture || it->state == State::uploaded) return it;
        if (it->state == State::uploading && now_ms < it->hold_until) return entries_.end();
    }
    return entries_.end();
}

QString XmppOutbox::message(const QString& to, const QString& body, Privacy::Route route) const {
    if (route == Privacy::Route::sealed) return privacy_->sealed_message(to, body);
    return xmpp::chat_message(to, body);
}

std::optional<QStringList> XmppOutbox::compose(const Entry& entry) {
    const QDateTime moment = now();
    const bool late = entry.waited || entry.made.msecsTo(moment) > late_ms;
    const Privacy::Route how = route(entry);
    QStringList out;
    const auto add = [&](const QString& stanza) {
        if (stanza.isEmpty()) return false;
        out.append(late ? xmpp::with_delay(stanza, entry.made) : stanza);
        return true;
    };
    switch (entry.kind) {
        case Kind::line:
        case Kind::notice:
            if (!add(message(entry.to, entry.text, how))) return std::nullopt;
            return out;
        case Kind::picture: {
            if (late && !add(message(entry.to,
                                     QStringLiteral("Picture of the alarm at %1, sent late: the "
                                                    "server could not be reached then.")
                                         .arg(local_time(entry.made)),
                                     how)))
                return std::nullopt;
            // A sealed picture's address carries its key: it goes inside an encrypted message,
            // never beside it in the clear (no out-of-band element).
            const bool sealed = !entry.key.isEmpty();
            const QString address =
                sealed ? aesgcm::url(entry.url, entry.iv, entry.key) : entry.url;
            QString stanza;
            if (how == Privacy::Route::sealed)
                stanza = privacy_->sealed_message(entry.to, address);
            else
                stanza = sealed ? xmpp::chat_message(entry.to, address)
                                : xmpp::picture_message(entry.to, address);
            if (!add(stanza)) return std::nullopt;
            return out;
        }
        case Kind::call: {
            const qint64 ring_ms = ring_ms_ ? ring_ms_() : default_ring_ms;
            if (entry.text == QLatin1String("propose") && entry.made.msecsTo(moment) > ring_ms) {
                qCInfo(xmpp_log) << "not ringing the phone for a call of" << local_time(entry.made)
                                 << "(older than the ring time)";
                unrung_.insert(entry.sid);
                return out;
            }
            if (unrung_.count(entry.sid)) return out;
            add(xmpp::call_message(entry.to, entry.text, entry.sid, media_calls));
            return out;
        }
        case Kind::stanza:
            add(entry.text);
            return out;
    }
    return out;
}

// ---- kept on disk

void XmppOutbox::load() {
    if (store_file_.isEmpty()) return;
    QFile file(store_file_);
    if (!file.exists()) return;
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(xmpp_log) << "cannot read the waiting messages:" << file.errorString();
        return;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError)
        qCWarning(xmpp_log) << "the waiting messages' file is damaged:" << error.errorString();
    const QJsonArray kept = document.object()["waiting"].toArray();
    for (const QJsonValue& value : kept) {
        const QJsonObject o = value.toObject();
        const bool picture = o["kind"].toString() == QLatin1String("picture");
        Entry entry;
        entry.kind = picture ? Kind::picture : Kind::line;
        entry.to = o["to"].toString();
        entry.text = o["text"].toString();
        entry.made = QDateTime::fromString(o["made"].toString(), Qt::ISODateWithMs);
        entry.tries = o["tries"].toInt();
        entry.waited = true;
        if (entry.to.isEmpty() || entry.text.isEmpty() || !entry.made.isValid()) continue;
        entry.number = next_number_++;
        entries_.push_back(std::move(entry));
    }
    if (!entries_.empty())
        qCInfo(xmpp_log) << entries_.size() << "messages from the last run wait for the owner";
}

// Replaced whole or not at all, readable by the user only: the lines may say what the camera saw.
void XmppOutbox::save() {
    if (store_file_.isEmpty()) return;
    QJsonArray kept;
    for (const Entry& entry : entries_) {
        if (entry.kind != Kind::line && entry.kind != Kind::picture) continue;
        kept.append(QJsonObject{
            {"kind", entry.kind == Kind::picture ? "picture" : "line"},
            {"to", entry.to},
            {"text", entry.text},
            {"made", entry.made.toString(Qt::ISODateWithMs)},
            {"tries", entry.tries},
        });
    }
    if (kept.isEmpty() && !QFile::exists(store_file_)) return;
    QSaveFile file(store_file_);
    QString error;
    if (!file.open(QIODevice::WriteOnly))
        error = file.errorString();
    else if (::fchmod(file.handle(), S_IRUSR | S_IWUSR) != 0 ||
             file.write(QJsonDocument(QJsonObject{{"waiting", kept}}).toJson()) < 0 ||
             !file.flush() || ::fsync(file.handle()) != 0)
        error = file.error() != QFileDevice::NoError ? file.errorString()
                                                     : QString::fromLocal8Bit(std::strerror(errno));
    else if (!file.commit())
        error = file.errorString();
    if (!error.isEmpty()) file.cancelWriting();
    if (error.isEmpty() == !save_failed_) return;
    save_failed_ = !error.isEmpty();
    if (save_failed_) qCWarning(xmpp_log) << "cannot keep the waiting messages on disk:" << error;
}
