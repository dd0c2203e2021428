#pragma once

#include <QString>
#include <deque>
#include <optional>

// Received chat messages whose chat, author and body are still being asked for, each by its own
// id: replies may come in any order and a new message may arrive before the last one is
// answered. A flood of messages pushes out the oldest, logged, so the table stays small; the
// client core never announces so many at once (it waits until the program has asked).
class ChatMessagesInFlight {
  public:
    static constexpr size_t capacity = 48;

    // A message was announced: follow it (afresh, if it was already followed).
    void received(const QString& id);
    // Its chat is known; false when the message is not being followed.
    bool chat_known(const QString& id, const QString& chat);
    // Its author may give commands; false when the message is not being followed.
    bool admit(const QString& id);
    // The end of a message: its chat when it was admitted, nothing otherwise.
    std::optional<QString> finish(const QString& id);
    void forget(const QString& id);

  private:
    struct Message {
        QString id;
        QString chat;
        bool admitted = false;
    };
    Message* find(const QString& id);

    std::deque<Message> messages_;
};
