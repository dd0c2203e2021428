#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <map>

class ClientCore;

// The owner's side of the simulated client as lines of text: what the owner types becomes an
// action of theirs ("call", "answer", "hangup", "refuse"), of the machine's client ("logout",
// "login") or a chat line to the machine; what reaches the owner (the machine's chat lines,
// pictures, calls, video) comes out as short printable lines. Used by a terminal, a script or a
// test alike.
class OwnerConsole {
  public:
    using Print = std::function<void(const QString& line)>;

    OwnerConsole(ClientCore& client, Print print);
    ~OwnerConsole();
    OwnerConsole(const OwnerConsole&) = delete;
    OwnerConsole& operator=(const OwnerConsole&) = delete;

    // One line the owner typed. "say TEXT" sends TEXT as it is, also when it is one of the
    // words above; an empty line does nothing.
    void enter(const QString& line);

    static QStringList help();

  private:
    void contact_event(const QString& who, const QString& event);
    void call_event(const QString& id, const QString& status);
    void act(bool done, const QString& otherwise);

    ClientCore& client_;
    Print print_;
    // Whoever watched the client's contact events before us keeps seeing them.
    std::function<void(const QString&, const QString&)> chained_;
    std::map<QString, bool> owner_rang_;  // call id -> rung by the owner (else by the machine)
};
