#include "platform/call/gst_call_media_factory.h"

#include "camera/camera_owner.h"
#include "platform/call/call_camera.h"
#include "platform/call/gst_call_media.h"
#include "platform/call/video_codec.h"

namespace {
// The call holds the camera while it shows it; `open_device` opens what it shows.
CallPictures held_pictures(CameraOwner* owner, std::function<bool()> open_device,
                           std::function<std::optional<QImage>()> newest,
                           std::function<void()> close_device) {
    return {[owner, open_device = std::move(open_device)] {
                if (owner && !owner->claim(CameraUser::call)) return false;
                if (open_device()) return true;
                if (owner) owner->give_back(CameraUser::call);
                return false;
            },
            std::move(newest),
            [owner, close_device = std::move(close_device)] {
                close_device();
                if (owner) owner->give_back(CameraUser::call);
            },
            {}};
}

CallPictures pictures_of(CameraOwner* owner, const QString& camera,
                         const std::function<QImage()>& scene) {
    if (scene)
        return held_pictures(
            owner, [] { return true; }, [scene]() -> std::optional<QImage> { return scene(); },
            [] {});
    auto device = std::make_shared<CallCamera>(VideoSource::from_text(camera));
    return held_pictures(
        owner, [device] { return device->open(); }, [device] { return device->newest(); },
        [device] { device->close(); });
}
}  // namespace

QStringList gst_call_codecs() {
    QStringList codecs;
    for (const VideoCodec& codec : video_codecs::available()) codecs.append(codec.name);
    codecs.append(QStringLiteral("opus"));
    return codecs;
}

CallMediaFactory gst_call_media_factory(CameraOwner* owner, const QString& camera,
                                        std::function<QImage()> scene,
                                        std::function<QImage()> still) {
    return {[owner, camera, scene = std::move(scene), still = std::move(still)](
                const CallMedia::Config& config) -> std::unique_ptr<CallMedia> {
                CallPictures pictures = pictures_of(owner, camera, scene);
                pictures.still = still;
                return std::make_unique<GstCallMedia>(config, std::move(pictures));
            },
            gst_call_codecs()};
}
