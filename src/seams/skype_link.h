#pragma once

#include <QString>
#include <functional>

// The link to the chat/call client: command lines out, notification lines in. Every reply and
// notification arrives through `on_notification`, one line at a time, in the order the client
// sent them, as a queued event of the program's one thread. No command waits for its reply.
class SkypeLink {
public:
    static constexpr int logged_out = 2;

    virtual ~SkypeLink() = default;
    virtual void Connect(int value) = 0;
    virtual void SendCommand(const QString& command) = 0;
    virtual int LoginStatus() const = 0;

    std::function<void(const QString& line)> on_notification;
};
