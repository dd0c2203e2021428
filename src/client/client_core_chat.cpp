// What the contacts say and see.
#include "client/client_core.h"

#include "log/categories.h"

// A contact writes to the machine: a new message in their chat, announced as received.
void ClientCore::say(const QString& text, const QString& from) {
    const QString sender = who_or_owner(from);
    if (!logged_in_ || !is_contact(sender)) {
        tell(sender, QStringLiteral("not delivered: %1 is not online").arg(options_.own_handle));
        return;
    }
    if (held_.size() >= held_limit) {
        qCWarning(link_log) << "a line from" << sender << "refused:" << held_.size()
                            << "are waiting for the machine";
        tell(sender, QStringLiteral("not delivered: too many messages are waiting"));
        return;
    }
    const QString id = next_id();
    messages_[id] = ChatMessage{id, chat_between(sender, options_.own_handle), sender, text,
                                QStringLiteral("RECEIVED")};
    held_.push_back(id);
    announce_held();
}

void ClientCore::announce_held() {
    while (!held_.empty() && announced_.size() < announced_limit) {
        const QString id = held_.front();
        held_.pop_front();
        announced_.insert(id);
        emit_line(QStringLiteral("CHATMESSAGE %1 STATUS RECEIVED").arg(id));
        later(question_wait_ms, [this, id] { asked_about(id); });
    }
}

void ClientCore::asked_about(const QString& id) {
    if (announced_.erase(id) > 0) announce_held();
}

const ClientCore::ContactView& ClientCore::seen_by(const QString& who) const {
    static const ContactView nothing;
    const auto found = views_.find(who_or_owner(who));
    return found == views_.end() ? nothing : found->second;
}
