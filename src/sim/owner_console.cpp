#include "sim/owner_console.h"

#include "client/client_core.h"

namespace {
// "call ID STATUS", as opposed to the client's sentences that also begin with "call".
bool is_call_event(const QString& event) {
    bool numbered = false;
    event.section(' ', 1, 1).toULongLong(&numbered);
    return event.startsWith(QLatin1String("call ")) && numbered;
}
}  // namespace

OwnerConsole::OwnerConsole(ClientCore& client, Print print)
    : client_(client), print_(std::move(print)), chained_(client.on_contact_event) {
    client_.on_contact_event = [this](const QString& who, const QString& event) {
        contact_event(who, event);
    };
}

OwnerConsole::~OwnerConsole() {
    client_.on_contact_event = chained_;
}

QStringList OwnerConsole::help() {
    return {
        QStringLiteral("anything you type is a chat line to the machine (try: help, status)"),
        QStringLiteral("call: ring the machine    answer / refuse: its call to you"),
        QStringLiteral("hangup: end the call      say TEXT: chat TEXT even if it is a word here"),
        QStringLiteral("logout / login: the machine's client logs out or in    ?: this help"),
    };
}

void OwnerConsole::enter(const QString& line) {
    const QString word = line.trimmed().toLower();
    if (word.isEmpty()) return;
    if (word == QLatin1String("?")) {
        for (const QString& text : help()) print_(text);
    } else if (word == QLatin1String("call")) {
        if (!client_.current_call())
            client_.call_machine();
        else
            print_(QStringLiteral("you are already in a call"));
    } else if (word == QLatin1String("answer")) {
        act(client_.answer(), QStringLiteral("the machine is not calling you"));
    } else if (word == QLatin1String("refuse")) {
        act(client_.refuse(), QStringLiteral("the machine is not calling you"));
    } else if (word == QLatin1String("hangup")) {
        act(client_.hang_up(), QStringLiteral("there is no call to end"));
    } else if (word == QLatin1String("logout")) {
        client_.log_out();
        print_(QStringLiteral("the machine's client is logged out"));
    } else if (word == QLatin1String("login")) {
        client_.log_in();
        print_(QStringLiteral("the machine's client is logged in"));
    } else if (line.trimmed().startsWith(QLatin1String("say "), Qt::CaseInsensitive)) {
        client_.say(line.trimmed().mid(4));
    } else {
        client_.say(line);
    }
}

void OwnerConsole::act(bool done, const QString& otherwise) {
    if (!done) print_(otherwise);
}

// The client tells "message: TEXT", "file: PATH", "call ID STATUS", "video on|off", or a
// sentence of its own when something could not reach the machine.
void OwnerConsole::contact_event(const QString& who, const QString& event) {
    if (chained_) chained_(who, event);
    if (who != client_.options().owner) return;
    if (event.startsWith(QLatin1String("message: "))) {
        // Replies of several lines end each with a carriage return.
        QStringList lines = event.mid(9).split('\r');
        if (lines.size() > 1 && lines.last().isEmpty()) lines.removeLast();
        for (const QString& text : lines)
            print_(text.isEmpty() ? QStringLiteral("machine:")
                                  : QStringLiteral("machine: ") + text);
    } else if (event.startsWith(QLatin1String("file: "))) {
        print_(QStringLiteral("picture received: ") + event.mid(6));
    } else if (is_call_event(event)) {
        call_event(event.section(' ', 1, 1), event.section(' ', 2));
    } else if (event == QLatin1String("video on")) {
        print_(QStringLiteral("video: you see the machine's camera"));
    } else if (event == QLatin1String("video off")) {
        print_(QStringLiteral("video: off"));
    } else {
        print_(event);
    }
}

void OwnerConsole::call_event(const QString& id, const QString& status) {
    // Every call is live at its first status, so that is where its direction is learnt.
    if (const auto* call = client_.current_call(); call && call->id == id)
        owner_rang_[id] = call->incoming;
    const bool by_owner = owner_rang_[id];
    QString text;
    if (status == QLatin1String("RINGING"))
        text = by_owner ? QStringLiteral("ringing the machine...")
                        : QStringLiteral("the machine is calling you: type answer");
    else if (status == QLatin1String("INPROGRESS"))
        text = by_owner ? QStringLiteral("the machine answered") : QStringLiteral("call answered");
    else if (status == QLatin1String("FINISHED"))
        text = QStringLiteral("call ended");
    else if (status == QLatin1String("CANCELLED"))
        text = by_owner ? QStringLiteral("you stopped calling")
                        : QStringLiteral("the machine stopped calling");
    else if (status == QLatin1String("REFUSED"))
        text = by_owner ? QStringLiteral("the machine did not take the call")
                        : QStringLiteral("call refused");
    else if (status == QLatin1String("FAILED"))
        text = QStringLiteral("the call failed");
    if (!text.isEmpty()) print_(text);
}
