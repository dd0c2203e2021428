#include "app/chat_messages_in_flight.h"

#include <algorithm>

#include "log/categories.h"

void ChatMessagesInFlight::received(const QString& id) {
    forget(id);
    if (messages_.size() >= capacity) {
        // A client that announces faster than it is asked; ours holds its lines back instead.
        qCWarning(link_log) << "chat message" << messages_.front().id
                            << "left unanswered: too many arrived at once";
        messages_.pop_front();
    }
    messages_.push_back(Message{id, {}, false});
}

bool ChatMessagesInFlight::chat_known(const QString& id, const QString& chat) {
    Message* message = find(id);
    if (message) message->chat = chat;
    return message != nullptr;
}

bool ChatMessagesInFlight::admit(const QString& id) {
    Message* message = find(id);
    if (message) message->admitted = true;
    return message != nullptr;
}

std::optional<QString> ChatMessagesInFlight::finish(const QString& id) {
    const Message* message = find(id);
    if (!message || !message->admitted) return std::nullopt;
    const QString chat = message->chat;
    forget(id);
    return chat;
}

void ChatMessagesInFlight::forget(const QString& id) {
    std::erase_if(messages_, [&](const Message& m) { return m.id == id; });
}

ChatMessagesInFlight::Message* ChatMessagesInFlight::find(const QString& id) {
    const auto found = std::find_if(messages_.begin(), messages_.end(),
                                    [&](const Message& m) { return m.id == id; });
    return found == messages_.end() ? nullptr : &*found;
}
