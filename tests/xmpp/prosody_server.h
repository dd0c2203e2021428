#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A real prosody on loopback for one test: its own folder, free ports, a certificate for
// `localhost` made for the run, and three accounts (owner, machine, stranger) where the owner and
// the machine already have each other on their rosters. Ended with the test.
class ProsodyServer {
  public:
    // The HTTP upload service the server offers: a normal one, none, or one whose size limit
    // refuses any snapshot.
    enum class Upload { share, none, too_small };
    // Whether the server offers TLS on its client port (and requires it).
    enum class Encryption { offered, none };

    static constexpr const char* domain = "localhost";
    static constexpr const char* password = "secret-pw";

    // With `archive`, the server keeps every message it passes on (XEP-0313), as many do: the
    // tests read there what crossed it.
    explicit ProsodyServer(Upload upload = Upload::share,
                           Encryption encryption = Encryption::offered, bool archive = false);
    ~ProsodyServer();
    ProsodyServer(const ProsodyServer&) = delete;
    ProsodyServer& operator=(const ProsodyServer&) = delete;

    // Whether the fixture was made and the server accepts connections; problem() says why not.
    bool ready() const { return problem_.isEmpty(); }
    const QString& problem() const { return problem_; }

    bool start();  // also again after kill()
    void kill();   // SIGKILL: the server vanishes without closing its streams
    bool running() const { return server_.state() != QProcess::NotRunning; }

    quint16 c2s_port() const { return c2s_port_; }
    QString ca_file() const { return path("server.pem"); }
    // A CA that did not sign this server's certificate.
    QString other_ca_file() const { return path("other-ca.pem"); }
    static QString jid(const QString& user) { return user + '@' + domain; }

    // Writes an account file for `user` as the program reads it, readable by its owner only.
    // Unencrypted commands are obeyed unless `encryption` says otherwise (the plain phone's).
    QString write_account_file(const QString& user, const QString& ca_file,
                               const QString& password_text = password, int stale_minutes = 10,
                               const QString& encryption = "optional") const;
    // The server's log so far, for failure messages.
    QString log() const;
    // Everything the server keeps (accounts, archive, uploaded files), file by file.
    QStringList stored_files() const;

  private:
    QString path(const QString& name) const { return folder_.filePath(name); }
    bool make_certificates();
    bool write_config(Upload upload, Encryption encryption, bool archive);
    bool register_account(const QString& user);
    bool write_roster(const QString& user, const QString& contact);
    qsizetype times_listening() const;

    QTemporaryDir folder_;
    QProcess server_;
    quint16 c2s_port_ = 0;
    quint16 https_port_ = 0;
    QString problem_;
};
