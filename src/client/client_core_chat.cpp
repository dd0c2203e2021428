// What the contacts say and see.
#include "client/client_core.h"

// A contact writes to the machine: a new message in their chat, announced as received.
void ClientCore::say(const QString& text, const QString& from) {
    const QString sender = who_or_owner(from);
    if (!logged_in_ || !is_contact(sender)) {
        tell(sender, QStringLiteral("not delivered: %1 is not online").arg(options_.own_handle));
        return;
    }
    const QString id = next_id();
    messages_[id] = ChatMessage{id, chat_between(sender, options_.own_handle), sender, text,
                                QStringLiteral("RECEIVED")};
    emit_line(QStringLiteral("CHATMESSAGE %1 STATUS RECEIVED").arg(id));
}

const ClientCore::ContactView& ClientCore::seen_by(const QString& who) const {
    static const ContactView nothing;
    const auto found = views_.find(who_or_owner(who));
    return found == views_.end() ? nothing : found->second;
}
