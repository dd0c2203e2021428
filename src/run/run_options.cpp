#include "run/run_options.h"

#include <QCommandLineParser>
#include <QDir>
#include <QRegularExpression>

#include "run/install_places.h"
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
            .arg(app::title, app::version_line()));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows these options."));
    parser.addOption(help);
    const QCommandLineOption camera = option(
        QStringLiteral("camera"),
        QStringLiteral("Where the pictures come from: auto (the first camera), demo (a built-in "
                       "scene), /dev/videoN, a video file, or a URI such as rtsp://host/path; "
                       "list prints the cameras found, with their modes."),
        QStringLiteral("SOURCE"));
    const QCommandLineOption skype = option(
        QStringLiteral("skype"),
        QStringLiteral("The chat/call client: dbus (the client on the session bus), sim (a "
                       "simulated client inside the program, its owner at this terminal or window) "
                       "or xmpp (an XMPP account inside the program, its owner on a messenger)."),
        QStringLiteral("dbus|sim|xmpp"));
    const QCommandLineOption xmpp_config =
        option(QStringLiteral("xmpp-config"),
               QStringLiteral("The XMPP account file for --skype xmpp (default: xmpp.conf in the "
                              "application folder)."),
               QStringLiteral("FILE"));
    const QCommandLineOption folder =
        option(QStringLiteral("app-folder"),
               QStringLiteral("Folder for the settings, the motion log and snapshots (default: "
                              "~/.local/share/videoquelm when installed, following XDG_DATA_HOME; "
                              "the program's own folder in a build tree)."),
               QStringLiteral("DIR"));
    const QCommandLineOption headless = option(
        QStringLiteral("headless"),
        QStringLiteral("No windows: start at once, print status changes and messages, stop with "
                       "Ctrl+C (the settings are saved)."));
    const QCommandLineOption demo =
        option(QStringLiteral("demo"), QStringLiteral("Same as --camera demo --skype sim."));
    const QCommandLineOption arm =
        option(QStringLiteral("arm"), QStringLiteral("Turn motion sensing on at start."));
    const QCommandLineOption check = option(
        QStringLiteral("check"),
        QStringLiteral("Check the camera, the application folder and its disk (and the messenger "
                       "account, if one is used), print what was found and end: 0 when all is "
                       "well, 1 otherwise."));
    parser.addOptions({camera, skype, xmpp_config, folder, headless, demo, arm, check});

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
    if (!parser.positionalArguments().isEmpty()) {
        message = QStringLiteral("Unexpected argument: %1\nTry --help.")
                      .arg(parser.positionalArguments().first());
        return std::nullopt;
    }

    RunOptions run;
    run.demo = parser.isSet(demo);
    if (run.demo) {
        run.camera = QStringLiteral("demo");
        run.skype = QStringLiteral("sim");
    }
    if (parser.isSet(camera)) run.camera = parser.value(camera);
    if (parser.isSet(skype)) run.skype = parser.value(skype);
    if (run.skype != QLatin1String("dbus") && run.skype != QLatin1String("sim") &&
        run.skype != QLatin1String("xmpp")) {
        message = QStringLiteral("--skype takes dbus, sim or xmpp, not \"%1\".").arg(run.skype);
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
    run.app_folder =
        QDir(parser.isSet(folder) ? parser.value(folder) : places.app_folder).absolutePath();
    run.documents_folder = places.documents_folder;
    if (parser.isSet(xmpp_config))
        run.xmpp_config = QFileInfo(parser.value(xmpp_config)).absoluteFilePath();
    return run;
}

QString RunOptions::xmpp_config_path() const {
    return xmpp_config.isEmpty() ? QDir(app_folder).filePath(QStringLiteral("xmpp.conf"))
                                 : xmpp_config;
}
