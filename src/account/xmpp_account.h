#pragma once

#include <QString>
#include <QStringList>
#include <optional>

struct LoadedXmppAccount;

// The machine's own XMPP account, as the account file holds it:
//
//   [account]
//   jid=machine@example.org
//   password=secret
//   host=xmpp.example.org      (optional: instead of the domain's SRV records)
//   port=5222                  (optional)
//   ca_file=/etc/ssl/ca.pem    (optional: trusted besides the system's CAs)
//   stale_minutes=10           (optional: delayed commands older than this are not obeyed)
//   stun=stun.example.org:3478 (optional: the STUN server of calls, instead of the server's)
//   turn=turn.example.org:3478 (optional, with turn_user and turn_password: the TURN server)
//   encryption=omemo           (optional: omemo, optional or off; see below)
//   owner_fingerprints=...     (optional: the owner's OMEMO devices, comma-separated)
//
// End-to-end encryption (OMEMO, as the messenger apps speak it): with `omemo`, the default,
// everything the machine says to an owner who has published OMEMO devices goes encrypted, and
// only encrypted commands are obeyed; `optional` also obeys plain commands; `off` never
// encrypts. Until `owner_fingerprints` names some, every device the owner publishes is trusted
// (as the apps trust blindly at first); from then on only those. A fingerprint is the 64 hex
// digits the app shows for its device, spaces and letter case ignored.
struct XmppAccount {
    enum class Encryption { omemo, optional, off };

    QString jid;
    QString password;
    QString host;
    quint16 port = 0;  // 0: the SRV records' or 5222
    QString ca_file;
    int stale_minutes = 10;
    QString stun;
    QString turn;
    QString turn_user;
    QString turn_password;
    Encryption encryption = Encryption::omemo;
    QStringList owner_fingerprints;  // 64 lower-case hex digits each

    static QString encryption_name(Encryption encryption);
    // A fingerprint in groups of eight digits, as the apps show them.
    static QString grouped(const QString& fingerprint);
    // The address an app scans to add the machine and verify its device in one go.
    QString scan_uri(quint32 device, const QString& fingerprint) const;

    QString domain() const { return jid.section('@', 1).section('/', 0, 0); }

    using Loaded = LoadedXmppAccount;
    // Reads the file, refusing one that others may read and one without a jid or password.
    static Loaded load(const QString& path);
    // Writes the file readable by its owner alone; false with the reason when it cannot.
    bool save(const QString& path, QString* problem = nullptr) const;
};

struct LoadedXmppAccount {
    std::optional<XmppAccount> account;
    QString problem;  // why there is none, naming the file (and the key); never the password
};
