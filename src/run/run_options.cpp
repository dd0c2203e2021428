#include "run/run_options.h"

#include <QCommandLineParser>
#include <QDir>
#include <QRegularExpression>

#include "run/install_places.h"
#include "windows/camera_settings_file.h"
#include "windows/version.h"

namespace {
QCommandLineOption option(const QString& name, const QString& help, const QString& value = {}) {
    return value.isEmpty() ? QCommandLineOption(name, help) : QCommandLineOption(name, help, value);
}
}  // namespace

std::optional<RunOptions> parse_run_options(const QStringList& arguments, QString& message,
                                            int& exit_code) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("%1 %2: a motion-detection alarm for one camera that reaches its owner over "
                       "the chat/call client.")
            .arg(app::title, app::version_line()) +
        QStringLiteral("\nThe whole manual: man videoquelm"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows these options."));
    parser.addOption(help);
    const QCommandLineOption camera = option(
        QStringLiteral("camera"),
        QStringLiteral("Where the pictures come from: auto (the first camera), demo (a built-in "
                       "scene), /dev/videoN, a video file, or a URI such as rtsp://host/path; "
                       "list prints the cameras found, with their modes."),
        QStringLiteral("SOURCE"));
    const QCommandLineOption link(
        {QStringLiteral("link"), QStringLiteral("skype")},
        QStringLiteral("The chat/call client: auto (the default: the messenger account when the "
                       "application folder has xmpp.conf or --xmpp-config names a file, else "
                       "dbus), dbus (the client on the session bus), sim (a simulated client "
                       "inside the program, its owner at this terminal or window) or xmpp (an "
                       "XMPP account inside the program, its owner on a messenger). --skype is "
                       "another name for it."),
        QStringLiteral("auto|dbus|sim|xmpp"));
    const QCommandLineOption xmpp_config =
        option(QStringLiteral("xmpp-config"),
               QStringLiteral("The XMPP account file for --link xmpp (default: xmpp.conf in the "
                              "application folder)."),
               QStringLiteral("FILE"));
    const QCommandLineOption folder =
        option(QStringLiteral("app-folder"),
               QStringLiteral("Folder for the settings, the motion log and snapshots (default: "
                              "~/.local/share/videoquelm when installed, following XDG_DATA_HOME; "
                              "the program's own folder in a build tree)."),
               QStringLiteral("DIR"));
    const QCommandLineOption instance =
        option(QStringLiteral("instance"),
               QStringLiteral("One of several machines of this user (the service videoquelm@NAME): "
                              "its folder is videoquelm@NAME beside the default application "
                              "folder, unless --app-folder says otherwise."),
               QStringLiteral("NAME"));
    const QCommandLineOption headless = option(
        QStringLiteral("headless"),
        QStringLiteral("No windows: start at once, print status changes and messages, stop with "
                       "Ctrl+C (the settings are saved)."));
    const QCommandLineOption demo =
        option(QStringLiteral("demo"), QStringLiteral("Same as --camera demo --link sim."));
    const QCommandLineOption arm =
        option(QStringLiteral("arm"), QStringLiteral("Turn motion sensing on at start."));
    const QCommandLineOption check = option(
        QStringLiteral("check"),
        QStringLiteral("Check the camera, the application folder and its disk (and the messenger "
                       "account, if one is used), print what was found and end: 0 when all is "
                       "well, 1 otherwise."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Prints the version and ends."));
    const QCommandLineOption settings = option(
        QStringLiteral("settings"),
        QStringLiteral("Prints the saved settings of the application folder as key=value, one a "
                       "line, and ends."));
    const QCommandLineOption set = option(
        QStringLiteral("set"),
        QStringLiteral("Changes saved settings of the application folder and ends: the words "
                       "after the options are key=value (the keys are those --settings prints, "
                       "and camera). Nothing is changed when one of them is wrong."));
    parser.addOptions({camera, link, xmpp_config, folder, instance, headless, demo, arm, check,
                       version, settings, set});
    parser.addPositionalArgument(QStringLiteral("key=value"),
                                 QStringLiteral("With --set: a setting and its new value."),
                                 QStringLiteral("[key=value ...]"));

    exit_code = 2;
    if (!parser.parse(arguments)) {
        message = parser.errorText() + QStringLiteral("\nTry --help.");
        return std::nullopt;
    }
    if (parser.isSet(help)) {
        // The program's name as the user types it, whatever the path it was started by (and
        // before any application object exists, the parser does not know it at all).
        message = parser.helpText().replace(QRegularExpression(QStringLiteral("^Usage: \\S+")),
                                            QStringLiteral("Usage: videoquelm"));
        exit_code = 0;
        return std::nullopt;
    }
    if (parser.isSet(version)) {
        message = QStringLiteral("videoquelm %1.%2.%3")
                      .arg(app::version_major)
                      .arg(app::version_minor)
                      .arg(app::version_revision);
        exit_code = 0;
        return std::nullopt;
    }
    if (!parser.isSet(set) && !parser.positionalArguments().isEmpty()) {
        message = QStringLiteral("Unexpected argument: %1\nTry --help.")
                      .arg(parser.positionalArguments().first());
        return std::nullopt;
    }

    RunOptions run;
    run.demo = parser.isSet(demo);
    if (run.demo) {
        run.camera = QStringLiteral("demo");
        run.link = QStringLiteral("sim");
    }
    if (parser.isSet(camera)) run.camera = parser.value(camera);
    if (parser.isSet(link)) run.link = parser.value(link);
    if (!QStringList{"auto", "dbus", "sim", "xmpp"}.contains(run.link)) {
        message = QStringLiteral("--link takes auto, dbus, sim or xmpp, not \"%1\".").arg(run.link);
        return std::nullopt;
    }
    run.print_settings = parser.isSet(settings);
    run.set = parser.isSet(set);
    run.assignments = parser.positionalArguments();
    if (run.set && run.assignments.isEmpty()) {
        message = QStringLiteral("--set needs at least one key=value.\nTry --help.");
        return std::nullopt;
    }
    if (run.camera.isEmpty()) {
        message = QStringLiteral("--camera needs a source.");
        return std::nullopt;
    }
    run.headless = parser.isSet(headless);
    run.arm = parser.isSet(arm);
    run.check = parser.isSet(check);
    const InstallPlaces places = running_install_places();
    QString chosen_folder = parser.isSet(folder) ? parser.value(folder) : places.app_folder;
    if (parser.isSet(instance) && !parser.isSet(folder)) {
        const QString name = parser.value(instance);
        if (name.isEmpty() || name.contains('/') || name.startsWith('.')) {
            message = QStringLiteral("--instance takes a plain name, such as door, not \"%1\".")
                          .arg(name);
            return std::nullopt;
        }
        chosen_folder = instance_folder(places.app_folder, name);
    }
    run.app_folder = QDir(chosen_folder).absolutePath();
    run.documents_folder = places.documents_folder;
    if (parser.isSet(xmpp_config))
        run.xmpp_config = QFileInfo(parser.value(xmpp_config)).absoluteFilePath();
    run.link_auto = run.link == QLatin1String("auto");
    run.link = chosen_link(run.link, run.app_folder, run.xmpp_config);
    run.camera = chosen_camera(run.camera, run.app_folder);
    return run;
}

QString RunOptions::xmpp_config_path() const {
    return xmpp_config.isEmpty() ? QDir(app_folder).filePath(QStringLiteral("xmpp.conf"))
                                 : xmpp_config;
}

QString RunOptions::omemo_device_path() const {
    return QDir(app_folder).filePath(QStringLiteral("xmpp-omemo.json"));
}

QString instance_folder(const QString& app_folder, const QString& name) {
    const QString folder = app_folder + '@' + name;
    // Instances made before they had folders of their own lived inside the plain one's.
    const QString earlier = app_folder + '/' + name;
    if (!QFileInfo::exists(folder) && QFileInfo(earlier).isDir()) return earlier;
    return folder;
}

QString chosen_link(const QString& asked, const QString& app_folder, const QString& xmpp_config) {
    if (asked != QLatin1String("auto")) return asked;
    const bool account = !xmpp_config.isEmpty() ||
                         QFileInfo::exists(QDir(app_folder).filePath(QStringLiteral("xmpp.conf")));
    return account ? QStringLiteral("xmpp") : QStringLiteral("dbus");
}

QString chosen_camera(const QString& asked, const QString& app_folder) {
    if (asked != QLatin1String("auto")) return asked;
    const QString chosen =
        camera_settings_file::load(camera_settings_file::path_in(app_folder)).path;
    if (chosen.isEmpty() || chosen.startsWith(QLatin1String("/dev/"))) return asked;
    return chosen;
}
