#include "prosody_server.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTcpServer>

#include "child_process.h"
#include "files.h"

namespace {

// Runs a tool to its end; false with its output in `problem` when it failed.
bool run(const QString& program, const QStringList& arguments, QString& problem) {
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(program, arguments);
    if (tool.waitForFinished(30'000) && tool.exitStatus() == QProcess::NormalExit &&
        tool.exitCode() == 0)
        return true;
    problem = program + ' ' + arguments.join(' ') + " failed: " + tool.errorString() + '\n' +
              QString::fromUtf8(tool.readAll());
    return false;
}

const QStringList ec_key = {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};

}  // namespace

ProsodyServer::ProsodyServer(Upload upload, Encryption encryption, bool archive) {
    server_.setProcessChannelMode(QProcess::MergedChannels);
    server_.setStandardOutputFile(path("prosody.out"));
    {  // ports nobody listens on: the kernel's picks for two sockets bound at once, then freed
        QTcpServer c2s, https;
        c2s.listen(QHostAddress::LocalHost, 0);
        https.listen(QHostAddress::LocalHost, 0);
        c2s_port_ = c2s.serverPort();
        https_port_ = https.serverPort();
    }
    if (!folder_.isValid()) problem_ = "no temporary folder";
    if (ready() && make_certificates() && write_config(upload, encryption, archive) &&
        register_account("owner") && register_account("machine") && register_account("stranger") &&
        write_roster("owner", "machine") && write_roster("machine", "owner"))
        start();
}

ProsodyServer::~ProsodyServer() {
    if (!running()) return;
    server_.terminate();
    if (!server_.waitForFinished(5'000)) kill();
}

// Self-signed certificates for `localhost`: the clients trust the server's own as their CA, and
// the other one signed nothing here.
bool ProsodyServer::make_certificates() {
    const auto make = [this](const QString& name) {
        return run(
            "openssl",
            QStringList{"req", "-x509"} + ec_key +
                QStringList{"-keyout", path(name + ".key"), "-out", path(name + ".pem"), "-days",
                            "2", "-subj", "/CN=localhost", "-addext",
                            "subjectAltName=DNS:localhost,DNS:upload.localhost,IP:127.0.0.1"},
            problem_);
    };
    return make("server") && make("other-ca");
}

bool ProsodyServer::write_config(Upload upload, Encryption encryption, bool archive) {
    // The limit that refuses a slot lies below any snapshot; the normal one far above.
    const int size_limit = upload == Upload::too_small ? 100 : 1'000'000;
    QString config = QStringLiteral(R"(run_as_root = true
pidfile = "%1/prosody.pid"
data_path = "%1/data"
certificates = "%1"
plugin_paths = {}
log = { { levels = { min = "info" }, to = "file", filename = "%1/prosody.log" } }
modules_enabled = { "roster"; "saslauth"; %4"disco"; "pep"; "smacks"; "ping"; "offline"; "posix"%7 }
modules_disabled = { "s2s" }
authentication = "internal_hashed"
c2s_require_encryption = %5
allow_unencrypted_plain_auth = %6
c2s_ports = { %2 }
c2s_interfaces = { "127.0.0.1" }
c2s_direct_tls_ports = {}
legacy_ssl_ports = {}
s2s_ports = {}
http_ports = {}
https_ports = { %3 }
https_interfaces = { "127.0.0.1" }
http_external_url = "https://localhost:%3/"
ssl = { certificate = "%1/server.pem"; key = "%1/server.key" }
https_ssl = { certificate = "%1/server.pem"; key = "%1/server.key" }
VirtualHost "localhost"
)")
                         .arg(folder_.path())
                         .arg(c2s_port_)
                         .arg(https_port_)
                         .arg(encryption == Encryption::offered ? "\"tls\"; " : "")
                         .arg(encryption == Encryption::offered ? "true" : "false")
                         .arg(encryption == Encryption::offered ? "false" : "true")
                         .arg(archive ? "; \"mam\"" : "");
    if (upload != Upload::none)
        config += QStringLiteral(
                      "Component \"upload.localhost\" \"http_file_share\"\n"
                      "http_file_share_size_limit = %1\n"
                      // Served under the name in the URLs it hands out.
                      "http_host = \"localhost\"\n")
                      .arg(size_limit);
    if (write_file(path("prosody.cfg.lua"), config.toUtf8())) return true;
    problem_ = "cannot write the server's configuration";
    return false;
}

bool ProsodyServer::register_account(const QString& user) {
    return run("prosodyctl",
               {"--config", path("prosody.cfg.lua"), "register", user, domain, password}, problem_);
}

// Mutual subscription written into the server's own store, as an earlier "add contact" would
// have left it.
bool ProsodyServer::write_roster(const QString& user, const QString& contact) {
    const QString text =
        QStringLiteral(
            "return {\n  [false] = { version = 1; pending = {} };\n"
            "  [\"%1\"] = { subscription = \"both\"; groups = {}; name = \"%2\" };\n}\n")
            .arg(jid(contact), contact);
    const QString roster = path("data/localhost/roster");
    if (QDir().mkpath(roster) && write_file(roster + '/' + user + ".dat", text.toUtf8()))
        return true;
    problem_ = "cannot write the roster of " + user;
    return false;
}

bool ProsodyServer::start() {
    if (running()) return true;
    const qsizetype before = times_listening();
    server_.start("prosody", {"--config", path("prosody.cfg.lua"), "-F"});
    if (server_.waitForStarted(10'000) &&
        wait_until([&] { return running() && times_listening() > before; }, 15'000))
        return true;
    problem_ = "prosody did not start listening:\n" + log();
    return false;
}

// Read from the server's log rather than by connecting, so that the tests' count of
// connections holds only clients.
qsizetype ProsodyServer::times_listening() const {
    return log().count("Activated service 'c2s' on");
}

void ProsodyServer::kill() {
    server_.kill();
    server_.waitForFinished(5'000);
}

QString ProsodyServer::write_account_file(const QString& user, const QString& ca_file,
                                          const QString& password_text, int stale_minutes,
                                          const QString& encryption) const {
    const QString file = path(user + "-xmpp.conf");
    const QString text = QStringLiteral(
                             "[account]\njid=%1\npassword=%2\nhost=127.0.0.1\nport=%3\n"
                             "ca_file=%4\nstale_minutes=%5\nencryption=%6\n")
                             .arg(jid(user), password_text)
                             .arg(c2s_port_)
                             .arg(ca_file)
                             .arg(stale_minutes)
                             .arg(encryption);
    write_file(file, text.toUtf8());
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    return file;
}

QStringList ProsodyServer::stored_files() const {
    QStringList files;
    QDirIterator found(path("data"), QDir::Files, QDirIterator::Subdirectories);
    while (found.hasNext()) files.append(found.next());
    return files;
}

QString ProsodyServer::log() const {
    QByteArray text;
    for (const char* name : {"prosody.log", "prosody.out"}) {
        QFile file(path(name));
        if (file.open(QIODevice::ReadOnly)) text += file.readAll();
    }
    return QString::fromUtf8(text);
}
