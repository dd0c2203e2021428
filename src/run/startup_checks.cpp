#include "run/startup_checks.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryFile>
#include <cstdio>

#include "account/xmpp_account.h"
#include "app/settings_codec.h"
#include "omemo/omemo_device.h"
#include "platform/gst/gst_camera.h"
#include "run/run_options.h"
#include "windows/camera_settings_file.h"

namespace {
// Less than this is a full disk for the program: a few hundred snapshots and the settings.
constexpr qint64 minimum_free_bytes = 10 * 1024 * 1024;
// About one snapshot: enough to see a write fail on a full disk or a quota.
constexpr qsizetype probe_bytes = 32 * 1024;

QString written_probe_problem(const QString& folder) {
    QTemporaryFile probe(folder + QStringLiteral("/.videoquelm-check-XXXXXX"));
    if (!probe.open()) return QStringLiteral("cannot be written to (%1)").arg(probe.errorString());
    if (probe.write(QByteArray(probe_bytes, '\0')) != probe_bytes || !probe.flush())
        return QStringLiteral("cannot be written to (%1)").arg(probe.errorString());
    return {};
}
}  // namespace

StartupCheck check_account_file(const QString& path) {
    StartupCheck check{QStringLiteral("account file ") + path, {}};
    const QFileInfo file(path);
    if (!file.exists()) {
        check.problem = QStringLiteral(
            "missing: write the machine's jid and password there "
            "(see man videoquelm)");
    } else {
        // The same rules the messenger client goes by, in its words less the file's name.
        const QString problem = XmppAccount::load(path).problem;
        check.problem = problem.startsWith(path + QStringLiteral(": "))
                            ? problem.mid(path.size() + 2)
                            : problem;
    }
    return check;
}

// A check leaves nothing behind: the keys are not made here but at the first login.
StartupCheck check_encryption(const QString& account_path, const QString& device_file) {
    StartupCheck check{QStringLiteral("end-to-end encryption"), {}};
    const XmppAccount::Loaded loaded = XmppAccount::load(account_path);
    if (!loaded.account) {
        check.problem = QStringLiteral("no account to encrypt for");
        return check;
    }
    if (loaded.account->encryption == XmppAccount::Encryption::off) {
        check.subject += QStringLiteral(" off (encryption=off in the account file)");
        return check;
    }
    if (!QFileInfo::exists(device_file)) {
        check.subject += QStringLiteral(" (no keys yet: they are made at the first login)");
        return check;
    }
    QString problem;
    const auto device = OmemoDevice::open(device_file, &problem);
    if (!device) {
        check.problem =
            QStringLiteral("the keys cannot be kept in %1 (%2)").arg(device_file, problem);
        return check;
    }
    check.subject += QStringLiteral(" (OMEMO device %1, fingerprint %2; to scan: %3)")
                         .arg(device->device_id())
                         .arg(XmppAccount::grouped(device->fingerprint()),
                              loaded.account->scan_uri(device->device_id(), device->fingerprint()));
    return check;
}

StartupCheck check_call_target(const QString& app_folder) {
    StartupCheck check{QStringLiteral("call target"), {}};
    QFile file(QDir(app_folder).filePath(settings_codec::file_name));
    const QList<QByteArray> lines = file.open(QIODevice::ReadOnly)
                                        ? settings_codec::split_lines(file.read(64 * 1024))
                                        : QList<QByteArray>();
    const QString target =
        lines.isEmpty() ? QString() : settings_codec::read(lines.first()).value_or(QString());
    if (target.isEmpty())
        check.problem = QStringLiteral(
            "none set: nobody's commands will be obeyed and nobody called (set the owner's "
            "address in the main window)");
    else
        check.subject += ' ' + target;
    return check;
}

StartupCheck check_app_folder(const QString& folder) {
    StartupCheck check{QStringLiteral("application folder ") + folder, {}};
    if (!QDir().mkpath(folder)) {
        check.problem = QStringLiteral("cannot be made");
        return check;
    }
    check.problem = written_probe_problem(folder);
    const QStorageInfo disk(folder);
    if (check.ok() && disk.isValid() && disk.bytesAvailable() < minimum_free_bytes)
        check.problem = QStringLiteral("the disk is nearly full (%1 KiB free)")
                            .arg(disk.bytesAvailable() / 1024);
    return check;
}

StartupCheck check_camera(const QString& source) {
    StartupCheck check{QStringLiteral("camera ") + source, {}};
    if (source == QLatin1String("demo")) return check;
    GstCamera camera(source);
    if (!camera.open()) {
        check.problem = QStringLiteral("cannot be opened (%1)").arg(camera.open_error());
        return check;
    }
    camera.close();
    return check;
}

std::vector<StartupCheck> startup_checks(const RunOptions& options, bool with_camera) {
    std::vector<StartupCheck> checks;
    if (with_camera) {
        // The device the user chose in Video Format (or with --set camera=...) is the one a
        // run opens.
        QString source = options.camera;
        const QString chosen =
            camera_settings_file::load(camera_settings_file::path_in(options.app_folder)).path;
        if (source == QLatin1String("auto") && !chosen.isEmpty()) source = chosen;
        checks.push_back(check_camera(source));
    }
    checks.push_back(check_app_folder(options.app_folder));
    if (options.link == QLatin1String("xmpp")) {
        checks.push_back(check_call_target(options.app_folder));
        checks.push_back(check_account_file(options.xmpp_config_path()));
        if (checks.back().ok())
            checks.push_back(
                check_encryption(options.xmpp_config_path(), options.omemo_device_path()));
    }
    return checks;
}

int run_check(const RunOptions& options) {
    bool all_well = true;
    for (const StartupCheck& check : startup_checks(options, true)) {
        std::printf("%s\n", qPrintable(check.line()));
        all_well = all_well && check.ok();
    }
    std::fflush(stdout);
    return all_well ? 0 : 1;
}
