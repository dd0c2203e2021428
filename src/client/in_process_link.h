#pragma once

#include "seams/keystrokes.h"
#include "seams/skype_link.h"

class Scheduler;
class ClientCore;

// The program's link to the client core in the same process (the simulated client, or the
// XMPP account's). The client acts on a command at
// once, as a client in another process would while the program waits; its reply and every
// notification reach the program later, as events of their own, in the order the client sent
// them. The keystrokes go to the client's file-sending dialog.
class InProcessLink : public SkypeLink, public Keystrokes {
  public:
    InProcessLink(Scheduler& scheduler, ClientCore& client);
    ~InProcessLink() override;

    void Connect(int value) override;
    void SendCommand(const QString& command) override;
    int LoginStatus() const override;
    void send_keys(const QString& keys) override;

  private:
    void deliver(const QString& line);

    Scheduler& scheduler_;
    ClientCore& client_;
};
