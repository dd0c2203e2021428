#pragma once

#include <QString>
#include <vector>

struct RunOptions;

// One thing a run needs, as found before it starts: what was looked at and, when it will not do,
// why in words the user can act on.
struct StartupCheck {
    QString subject;  // "camera /dev/video0", "application folder /home/...", ...
    QString problem;  // empty when all is well
    bool ok() const { return problem.isEmpty(); }
    QString line() const { return subject + QStringLiteral(": ") + (ok() ? "ok" : problem); }
};

// The messenger account file: there, private to its owner, with a jid and a password.
StartupCheck check_account_file(const QString& path);
// The account's end-to-end encryption: its keys can be kept in `device_file`; when so, the
// subject names the machine's fingerprint for the owner to compare, and the address to scan.
StartupCheck check_encryption(const QString& account_path, const QString& device_file);
// The call target in the settings of `app_folder`: without one nobody's commands are obeyed.
StartupCheck check_call_target(const QString& app_folder);
// The application folder: it can be made and written to, and its disk has room for snapshots.
StartupCheck check_app_folder(const QString& folder);
// The camera: it opens (and is let go at once).
StartupCheck check_camera(const QString& source);

// The checks the command line calls for. A run that opens the camera anyway, and says so when it
// cannot, leaves the camera out.
std::vector<StartupCheck> startup_checks(const RunOptions& options, bool with_camera);

// "--check": prints every check, one line each; 0 when all is well, 1 otherwise.
int run_check(const RunOptions& options);
