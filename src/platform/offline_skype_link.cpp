#include "platform/offline_skype_link.h"

OfflineSkypeLink::OfflineSkypeLink(std::function<void(const QString&)> show)
    : show_(std::move(show)) {}

void OfflineSkypeLink::SendCommand(const QString& command) {
    if (show_) show_(command);
}
