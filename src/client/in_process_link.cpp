#include "client/in_process_link.h"

#include <memory>

#include "client/client_core.h"
#include "time/scheduler.h"

InProcessLink::InProcessLink(Scheduler& scheduler, ClientCore& client)
    : scheduler_(scheduler), client_(client) {
    client_.notify = [this](const QString& line) { deliver(line); };
}

InProcessLink::~InProcessLink() {
    client_.notify = nullptr;
}

void InProcessLink::Connect(int) {
    SendCommand(QStringLiteral("NAME VideoQuelm"));
    SendCommand(QStringLiteral("PROTOCOL 5"));
}

void InProcessLink::SendCommand(const QString& command) {
    // The reply's place in the queue is taken before the client acts, so that it arrives ahead
    // of the notifications the command causes.
    auto reply = std::make_shared<QString>();
    scheduler_.post([this, reply] { deliver(*reply); });
    *reply = client_.handle(command);
}

int InProcessLink::LoginStatus() const {
    return client_.login_status();
}

void InProcessLink::send_keys(const QString& keys) {
    client_.type_keys(keys);
}

void InProcessLink::deliver(const QString& line) {
    if (on_notification) on_notification(line);
}
