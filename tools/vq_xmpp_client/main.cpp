// The chat/call client with an XMPP account on its far side, as a service on the session bus:
// `videoquelm --skype dbus` talks to it as to any client, and the owner uses a messenger.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <memory>

#include "camera/camera_owner.h"
#include "client/client_core.h"
#include "platform/call/gst_call_media_factory.h"
#include "platform/dbus/client_bus_service.h"
#include "platform/gst/gst_camera.h"
#include "platform/xmpp/xmpp_client.h"
#include "sim/demo_camera.h"
#include "time/qt_scheduler.h"

namespace {

struct Settings {
    QString config;
    QString camera;
};

Settings read_options(const QCoreApplication& application) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The chat/call client on the session bus with an XMPP account: Video "
                       "Quelm attaches to it with --skype dbus, its owner chats and calls from a "
                       "messenger."));
    parser.addHelpOption();
    const QCommandLineOption config(
        QStringLiteral("xmpp-config"),
        QStringLiteral("The account file (default: xmpp.conf beside this program)."),
        QStringLiteral("FILE"));
    const QCommandLineOption camera(
        QStringLiteral("camera"),
        QStringLiteral("Where the live picture of a call comes from: auto, demo, /dev/videoN, a "
                       "video file or a URI."),
        QStringLiteral("SOURCE"), QStringLiteral("auto"));
    parser.addOptions({config, camera});
    parser.process(application);
    Settings settings;
    settings.config = parser.isSet(config)
                          ? QFileInfo(parser.value(config)).absoluteFilePath()
                          : QDir(QCoreApplication::applicationDirPath()).filePath("xmpp.conf");
    settings.camera = parser.value(camera);
    return settings;
}

std::unique_ptr<Camera> make_camera(const QString& source, Scheduler& scheduler) {
    if (source == QLatin1String("demo"))
        return std::make_unique<DemoCamera>([&scheduler] { return scheduler.now_ms(); });
    return std::make_unique<GstCamera>(source);
}

void say(const QString& line) {
    std::fprintf(stderr, "vq-xmpp-client: %s\n", qPrintable(line));
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vq-xmpp-client"));
    const Settings settings = read_options(application);

    QtScheduler scheduler;
    const std::unique_ptr<Camera> camera = make_camera(settings.camera, scheduler);
    CameraOwner camera_owner(*camera);
    // A call shows the demo scene as it is now, or the camera opened for the call.
    std::function<QImage()> scene;
    if (auto* demo = dynamic_cast<DemoCamera*>(camera.get()))
        scene = [demo, &scheduler] { return demo->frame_at(scheduler.now_ms()); };
    XmppClient* made = nullptr;
    // Its encryption keys are kept beside the account file.
    XmppClient client(
        scheduler, XmppAccount::load(settings.config), &camera_owner, {},
        gst_call_media_factory(&camera_owner, settings.camera, scene,
                               [&made] {
                                   return made && made->core().video_source
                                              ? made->core().video_source()
                                              : QImage();
                               }),
        QFileInfo(settings.config).absoluteDir().filePath(QStringLiteral("xmpp-omemo.json")));
    made = &client;
    client.on_problem = [](const QString& problem) { say(problem); };
    // A connection of our own, for the reason vq-skype-sim has one: calls held back before the
    // event loop runs must keep their order.
    ClientBusService service(client.core(),
                             QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                           QStringLiteral("vq-xmpp-client")));
    QString why_not;
    if (!service.start(&why_not)) {
        say(why_not);
        return 1;
    }
    client.start();
    const int code = application.exec();
    service.stop();
    return code;
}
