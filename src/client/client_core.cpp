#include "client/client_core.h"

#include <QCryptographicHash>
#include <algorithm>

#include "client/protocol_errors.h"
#include "time/scheduler.h"

using namespace simclient;

ClientCore::ClientCore(Scheduler& scheduler, Options options)
    : scheduler_(scheduler), options_(std::move(options)) {}

ClientCore::~ClientCore() {
    lifetime_.end();
}

// "#tag COMMAND ..." is answered "#tag REPLY"; the tag is whatever the machine chose.
QString ClientCore::handle(const QString& command) {
    if (command.startsWith('#')) {
        const qsizetype blank = command.indexOf(' ');
        if (blank < 0) return command + ' ' + unknown_command;
        return command.left(blank) + ' ' + reply_to(command.mid(blank + 1));
    }
    return reply_to(command);
}

QString ClientCore::reply_to(const QString& command) {
    const QStringList words = command.split(' ');
    const QString verb = words.first().toUpper();
    if (verb == QLatin1String("PING")) return QStringLiteral("PONG");
    if (verb == QLatin1String("NAME")) {
        if (!access_allowed_ || words.size() < 2 || words[1].isEmpty()) return access_refused;
        attached_ = true;
        return logged_in_ ? QStringLiteral("OK") : QStringLiteral("CONNSTATUS OFFLINE");
    }
    if (!attached_) return access_refused;
    if (verb == QLatin1String("PROTOCOL")) {
        const int asked = words.value(1).toInt();
        return QStringLiteral("PROTOCOL %1").arg(std::clamp(asked, 1, 7));
    }
    if (verb == QLatin1String("GET")) return get(words, command);
    if (verb == QLatin1String("SET")) return set(words);
    if (verb == QLatin1String("ALTER")) return alter_call(words);
    if (verb == QLatin1String("SEARCH")) return search(words);
    if (verb == QLatin1String("OPEN")) return open(words, command);
    if (verb == QLatin1String("CALL"))
        return place_call(words.value(1).section(',', 0, 0).trimmed());
    if (verb == QLatin1String("CHATMESSAGE")) return send_chat_message(command);
    return unknown_command;
}

QString ClientCore::get(const QStringList& words, const QString& command) {
    const QString what = words.value(1).toUpper();
    QString user_status = connection_;
    if (user_status == QLatin1String("CONNECTING")) user_status = QStringLiteral("OFFLINE");
    if (what == QLatin1String("SKYPEVERSION"))
        return QStringLiteral("SKYPEVERSION ") + options_.version;
    if (what == QLatin1String("CURRENTUSERHANDLE"))
        return QStringLiteral("CURRENTUSERHANDLE ") + options_.own_handle;
    if (what == QLatin1String("USERSTATUS")) return QStringLiteral("USERSTATUS ") + user_status;
    if (what == QLatin1String("CONNSTATUS")) return QStringLiteral("CONNSTATUS ") + connection_;
    if (what == QLatin1String("CALL")) return get_call(words);
    if (what == QLatin1String("CHATMESSAGE")) return get_chat_message(words);
    if (what == QLatin1String("USER") && words.size() == 4 &&
        words[3].toUpper() == QLatin1String("ONLINESTATUS")) {
        if (far_side_) far_side_->target_named(words[2]);
        if (!is_contact(words[2])) return invalid_user;
        if (far_side_) return command.mid(4) + ' ' + far_side_->online_status(words[2]);
        return command.mid(4) + ' ' + (is_online(words[2]) ? "ONLINE" : "OFFLINE");
    }
    return invalid_get;
}

QString ClientCore::get_chat_message(const QStringList& words) {
    const auto found = messages_.find(words.value(2));
    if (found == messages_.end()) return invalid_message_id;
    const ChatMessage& m = found->second;
    const QString property = words.value(3).toUpper();
    QString value;
    if (property == QLatin1String("CHATNAME"))
        value = m.chat;
    else if (property == QLatin1String("BODY"))
        value = m.body;
    else if (property == QLatin1String("FROM_HANDLE"))
        value = m.from;
    else if (property == QLatin1String("STATUS"))
        value = m.status;
    else if (property == QLatin1String("TYPE"))
        value = QStringLiteral("SAID");
    else
        return invalid_property;
    // Its author is the machine's last question before it decides (the body follows for the
    // owner's lines only): the next message may be announced.
    if (property == QLatin1String("FROM_HANDLE") || property == QLatin1String("BODY"))
        asked_about(m.id);
    return QStringLiteral("CHATMESSAGE %1 %2 %3").arg(m.id, property, value);
}

QString ClientCore::search(const QStringList& words) {
    const QString what = words.value(1).toUpper();
    if (what == QLatin1String("FRIENDS")) return QStringLiteral("USERS ") + contacts().join(", ");
    if (what == QLatin1String("ACTIVECHATS") || what == QLatin1String("CHATS") ||
        what == QLatin1String("RECENTCHATS"))
        return QStringLiteral("CHATS ") + chats_.join(", ");
    if (what == QLatin1String("ACTIVECALLS") || what == QLatin1String("CALLS")) {
        QStringList ids;
        for (const auto& [id, call] : calls_)
            if (what == QLatin1String("CALLS") || call.status <= CallStatus::inprogress)
                ids.append(id);
        return QStringLiteral("CALLS ") + ids.join(", ");
    }
    return unknown_command;
}

// "CHATMESSAGE <chat name> <text>": a line from the machine into one of its chats.
QString ClientCore::send_chat_message(const QString& command) {
    const qsizetype name_at = command.indexOf(' ');
    const qsizetype text_at = command.indexOf(' ', name_at + 1);
    const QString chat =
        text_at < 0 ? command.mid(name_at + 1) : command.mid(name_at + 1, text_at - name_at - 1);
    if (!chats_.contains(chat)) return invalid_chat;
    if (!logged_in_) return not_online;
    const QString body = text_at < 0 ? QString() : command.mid(text_at + 1);
    const QString id = next_id();
    messages_[id] = ChatMessage{id, chat, options_.own_handle, body, QStringLiteral("SENDING")};
    // The other member is whoever of the two the chat name gives is not the machine.
    const QString creator = chat.mid(1).section('/', 0, 0);
    const QString partner = chat.section('/', 1).section(';', 0, 0).mid(1);
    const QString other = creator == options_.own_handle ? partner : creator;
    later(50, [this, id, other, body] {
        messages_[id].status = QStringLiteral("SENT");
        notify_now(QStringLiteral("CHATMESSAGE %1 STATUS SENT").arg(id));
        if (far_side_) far_side_->send_line(other, body);
        views_[other].lines.append(body);
        tell(other, QStringLiteral("message: ") + body);
    });
    return QStringLiteral("CHATMESSAGE %1 STATUS SENDING").arg(id);
}

// "OPEN FILETRANSFER <handle> IN <folder>" opens the file-sending dialog; the other things the
// client can open have no face here and are only acknowledged.
QString ClientCore::open(const QStringList& words, const QString& command) {
    if (words.value(1).toUpper() != QLatin1String("FILETRANSFER")) return command;
    const QString recipient = words.value(2);
    if (far_side_) far_side_->target_named(recipient);
    if (!is_contact(recipient)) return invalid_user;
    if (!logged_in_) return not_online;
    const QString marker = QStringLiteral(" IN ");
    const qsizetype in_at = command.indexOf(marker, command.indexOf(recipient));
    const QString folder = in_at < 0 ? QString() : command.mid(in_at + marker.size());
    dialog_ = std::make_unique<FileSendDialog>(recipient, folder);
    return command;
}

void ClientCore::type_keys(const QString& keys) {
    if (!dialog_) return;
    dialog_->type(keys);
    if (dialog_->outcome() == FileSendDialog::Outcome::sent) deliver_file();
    if (dialog_->outcome() != FileSendDialog::Outcome::open) dialog_.reset();
}

void ClientCore::deliver_file() {
    const QString to = dialog_->recipient();
    const QString path = dialog_->chosen_path();
    if (far_side_) far_side_->send_file(to, path);
    later(100, [this, to, path] {
        views_[to].files.append(path);
        tell(to, QStringLiteral("file: ") + path);
    });
}

int ClientCore::login_status() const {
    return logged_in_ ? 1 : 2;
}

void ClientCore::log_out() {
    if (!logged_in_) return;
    for (auto& [id, call] : calls_) {
        if (call.status == CallStatus::inprogress)
            end_call(call, CallStatus::finished);
        else if (call.status < CallStatus::inprogress)
            end_call(call, CallStatus::cancelled);
    }
    dialog_.reset();
    set_connection(QStringLiteral("LOGGEDOUT"));
}

void ClientCore::log_in() {
    if (logged_in_) return;
    set_connection(QStringLiteral("ONLINE"));
}

void ClientCore::set_connection(const QString& status) {
    if (status == connection_) return;
    connection_ = status;
    logged_in_ = status != QLatin1String("LOGGEDOUT");
    emit_line(QStringLiteral("CONNSTATUS ") + status);
    if (status == QLatin1String("ONLINE") || status == QLatin1String("LOGGEDOUT"))
        emit_line(QStringLiteral("USERSTATUS ") + status);
}

QStringList ClientCore::contacts() const {
    if (far_side_) return far_side_->contacts();
    QStringList all;
    if (!options_.owner.isEmpty()) all.append(options_.owner);
    for (const QString& other : options_.other_contacts)
        if (!other.isEmpty() && !all.contains(other)) all.append(other);
    return all;
}

bool ClientCore::is_contact(const QString& handle) const {
    if (far_side_) return far_side_->is_contact(handle);
    return contacts().contains(handle);
}

bool ClientCore::is_online(const QString& handle) const {
    if (far_side_) return far_side_->online_status(handle) != QLatin1String("OFFLINE");
    return true;  // the local owner and contacts are always there
}

// The chat of two people: the one they already have, or a new one named after whoever began it.
QString ClientCore::chat_between(const QString& creator, const QString& partner) {
    for (const QString& chat : chats_) {
        const QString a = chat.mid(1).section('/', 0, 0);
        const QString b = chat.section('/', 1).section(';', 0, 0).mid(1);
        if ((a == creator && b == partner) || (a == partner && b == creator)) return chat;
    }
    const QByteArray digest =
        QCryptographicHash::hash((creator + '/' + partner).toUtf8(), QCryptographicHash::Md5);
    const QString chat = QStringLiteral("#%1/$%2;%3")
                             .arg(creator, partner, QString::fromLatin1(digest.left(8).toHex()));
    chats_.append(chat);
    return chat;
}

QString ClientCore::next_id() {
    return QString::number(next_id_++);
}

void ClientCore::emit_line(const QString& line, int delay_ms) {
    later(delay_ms, [this, line] { notify_now(line); });
}

void ClientCore::notify_now(const QString& line) {
    if (notify) notify(line);
}

void ClientCore::later(int delay_ms, std::function<void()> action) {
    scheduler_.post_after(delay_ms, lifetime_.guard(std::move(action)));
}

void ClientCore::tell(const QString& who, const QString& event) {
    if (on_contact_event) on_contact_event(who, event);
}
