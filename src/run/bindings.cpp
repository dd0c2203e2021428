#include "run/bindings.h"

#include <QDir>

#include "camera/camera_owner.h"
#include "client/client_core.h"
#include "client/in_process_link.h"
#include "platform/call/gst_call_media_factory.h"
#include "platform/dbus/dbus_skype_link.h"
#include "platform/gst/gst_camera.h"
#include "platform/gst/gst_sound_device.h"
#include "platform/xmpp/xmpp_client.h"
#include "sim/demo_camera.h"
#include "time/scheduler.h"

Bindings::Bindings() = default;
Bindings::Bindings(Bindings&&) noexcept = default;
Bindings::~Bindings() {
    // The link refers to the client: it goes first.
    link.reset();
}

namespace {
std::unique_ptr<Camera> make_camera(const RunOptions& options, Scheduler& scheduler,
                                    const std::function<void(const QString&)>& report,
                                    std::function<QImage()>& second_view) {
    if (options.camera == QLatin1String("demo")) {
        auto demo = std::make_unique<DemoCamera>([&scheduler] { return scheduler.now_ms(); });
        second_view = [scene = demo.get(), &scheduler] {
            return scene->frame_at(scheduler.now_ms());
        };
        return demo;
    }
    auto camera = std::make_unique<GstCamera>(options.camera);
    camera->on_problem = report;
    return camera;
}
}  // namespace

Bindings make_bindings(const RunOptions& options, Scheduler& scheduler,
                       std::function<void(const QString&)> report) {
    Bindings b;
    b.camera = make_camera(options, scheduler, report, b.second_view);
    b.camera_owner = std::make_unique<CameraOwner>(*b.camera);
    if (options.simulated_client()) {
        b.client = std::make_unique<ClientCore>(scheduler);
        auto link = std::make_unique<InProcessLink>(scheduler, *b.client);
        b.keys = link.get();
        b.link = std::move(link);
    } else if (options.xmpp_client()) {
        // The still of a call whose camera cannot be had is the last picture the program took,
        // which the client core knows once the client is made.
        auto still = std::make_shared<std::function<QImage()>>();
        b.xmpp = std::make_unique<XmppClient>(
            scheduler, XmppAccount::load(options.xmpp_config_path()), b.camera_owner.get(),
            QDir(options.app_folder).filePath(QStringLiteral("xmpp-outbox.json")),
            gst_call_media_factory(b.camera_owner.get(), options.camera, b.second_view,
                                   [still] { return *still ? (*still)() : QImage(); }),
            options.omemo_device_path());
        *still = [core = &b.xmpp->core()] {
            return core->video_source ? core->video_source() : QImage();
        };
        auto link = std::make_unique<InProcessLink>(scheduler, b.xmpp->core());
        b.keys = link.get();
        b.link = std::move(link);
    } else {
        auto link = std::make_unique<DBusSkypeLink>(scheduler);
        b.keys = link.get();
        b.link = std::move(link);
    }
    b.sound = std::make_unique<GstSoundDevice>();
    return b;
}
