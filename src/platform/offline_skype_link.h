#pragma once

#include <functional>

#include "seams/keystrokes.h"
#include "seams/skype_link.h"

// A link with no client behind it: commands go nowhere but are shown to whoever watches, no
// notification ever arrives, and no keystroke is typed anywhere.
class OfflineSkypeLink : public SkypeLink, public Keystrokes {
  public:
    explicit OfflineSkypeLink(std::function<void(const QString&)> show = {});

    void Connect(int) override {}
    void SendCommand(const QString& command) override;
    int LoginStatus() const override { return 0; }
    void send_keys(const QString&) override {}

  private:
    std::function<void(const QString&)> show_;
};
