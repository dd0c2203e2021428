#include "platform/call/gst_call_media_factory.h"

#include "platform/call/call_camera.h"
#include "platform/call/gst_call_media.h"

namespace {
CallPictures pictures_of(const QString& camera, const std::function<QImage()>& scene) {
    if (scene)
        return {
            [] { return true; }, [scene]() -> std::optional<QImage> { return scene(); }, [] {}, {}};
    // Opened for the call only: the program has let the device go by the time the owner may
    // see the room.
    auto device = std::make_shared<CallCamera>(VideoSource::from_text(camera));
    return {[device] { return device->open(); },
            [device] { return device->newest(); },
            [device] { device->close(); },
            {}};
}
}  // namespace

CallMediaFactory gst_call_media_factory(const QString& camera, std::function<QImage()> scene,
                                        std::function<QImage()> still) {
    return [camera, scene = std::move(scene), still = std::move(still)](
               const CallMedia::Config& config) -> std::unique_ptr<CallMedia> {
        CallPictures pictures = pictures_of(camera, scene);
        pictures.still = still;
        return std::make_unique<GstCallMedia>(config, std::move(pictures));
    };
}
