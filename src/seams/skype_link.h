#pragma once

#include <QString>
#include <functional>

// Something that happened to the link rather than a line from the client.
struct LinkEvent {
    enum class Kind {
        command_failed,  // the transport could not deliver a command: `subject` and `reason`
        client_arrived,  // the client appeared on the transport
        client_left,     // the client went away
        line_refused,    // a line from someone other than the client: `subject`, from `reason`
    };
    Kind kind;
    QString subject;
    QString reason;
};

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

    // Set by the main window (frmTesting::wire_handlers): every line goes to its dispatcher.
    std::function<void(const QString& line)> on_notification;
    // What the link itself saw go wrong or change, beside the lines. The link logs each one under
    // vq.link, which is what a service's journal shows; only the link's own tests listen here.
    std::function<void(const LinkEvent& event)> on_event;
};
