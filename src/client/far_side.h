#pragma once

#include <QString>
#include <QStringList>

// The network at the other end of the client: whom the machine's account knows, who of them is
// reachable, and where what the machine does goes. Without one the client plays its contacts
// itself (the local owner at a terminal or window); with one (an XMPP account) the people are
// real and the client only tells the far side what the machine did.
class FarSide {
  public:
    enum class CallEvent { placed, answered, ended, video_on };

    virtual ~FarSide() = default;

    virtual QStringList contacts() const = 0;
    // Whether `handle` names one of them; a network may know one person by several spellings.
    virtual bool is_contact(const QString& handle) const { return contacts().contains(handle); }
    // ONLINE, AWAY, NA, DND or OFFLINE, as ONLINESTATUS names them.
    virtual QString online_status(const QString& handle) const = 0;

    // A chat line from the machine to `to`.
    virtual void send_line(const QString& to, const QString& text) = 0;
    // A file the machine sent `to` through the file-sending dialog.
    virtual void send_file(const QString& to, const QString& path) = 0;
    // A call with `partner` changed: `incoming` when the partner rang the machine.
    virtual void call_event(const QString& call_id, const QString& partner, bool incoming,
                            CallEvent event) = 0;
    // What the program names as its call partner (CALL, OPEN FILETRANSFER, GET USER).
    virtual void target_named(const QString&) {}
};
