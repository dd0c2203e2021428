#pragma once

#include <QImage>
#include <QTemporaryDir>
#include <functional>
#include <optional>
#include <vector>

#include "time/timer.h"

class Camera;
class CameraOwner;
class Scheduler;

// One picture of the room now, as a JPEG file: the camera is taken (the program has released
// it for the call), given a moment to settle, read once and given back. When it is held by
// someone else, or gives nothing in time, the fallback picture (the last one the program took)
// is used. Its polling runs on the scheduler.
class LivePicture {
  public:
    using Done = std::function<void(const QString& path)>;

    LivePicture(Scheduler& scheduler, CameraOwner* camera, std::function<QImage()> fallback);
    ~LivePicture();
    void take(Done done);

    static constexpr int settle_ms = 300;
    static constexpr int give_up_ms = 5000;

  private:
    void poll();
    void finish(const QImage& picture);

    Scheduler& scheduler_;
    CameraOwner* owner_;
    Camera* camera_ = nullptr;  // while taken
    std::function<QImage()> fallback_;
    std::optional<QTemporaryDir> folder_;  // made with the first picture
    Timer poll_;
    qint64 opened_ms_ = 0;
    std::vector<Done> waiting_;
    int taken_ = 0;
};
