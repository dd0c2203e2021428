#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <vector>

class Camera;

// One picture of the room now, as a JPEG file: the camera is opened (the program has released
// it for the call), given a moment to settle, read once and released again. When it gives
// nothing in time the fallback picture (the last one the program took) is used.
class LivePicture {
  public:
    using Done = std::function<void(const QString& path)>;

    LivePicture(Camera* camera, std::function<QImage()> fallback);
    void take(Done done);

    static constexpr int settle_ms = 300;
    static constexpr int give_up_ms = 5000;

  private:
    void poll();
    void finish(const QImage& picture);

    Camera* camera_;
    std::function<QImage()> fallback_;
    QTemporaryDir folder_;
    QTimer poll_;
    QElapsedTimer since_open_;
    std::vector<Done> waiting_;
    int taken_ = 0;
};
