#pragma once

#include <QString>
#include <map>
#include <optional>
#include <utility>
#include <vector>

// One way a capture device can deliver pictures: its pixel format as the driver names it
// ("YUYV", "MJPG", "H264"...), its size and its frame rate.
struct CameraMode {
    QString format;
    int width = 0;
    int height = 0;
    int fps_numerator = 0;
    int fps_denominator = 1;

    double fps() const { return fps_denominator ? double(fps_numerator) / fps_denominator : 0; }
    // Pictures as they are, not compressed.
    bool is_raw() const {
        return format != QLatin1String("MJPG") && format != QLatin1String("H264") &&
               format != QLatin1String("HEVC");
    }
    QString text() const {  // "MJPG 640 x 480, 30 fps"
        return QStringLiteral("%1 %2 x %3, %4 fps")
            .arg(format)
            .arg(width)
            .arg(height)
            .arg(QString::number(fps(), 'g', 4));
    }
    bool operator==(const CameraMode&) const = default;
};

// A capture device the system lists, with the modes it offers.
struct CameraInfo {
    QString path;  // /dev/videoN
    QString name;
    std::vector<CameraMode> modes;
};

// One of the device's own controls (brightness, exposure...) with the driver's range.
struct CameraControl {
    enum class Kind { integer, boolean, menu };
    unsigned id = 0;
    QString name;
    Kind kind = Kind::integer;
    int minimum = 0;
    int maximum = 0;
    int step = 1;
    int default_value = 0;
    int value = 0;
    bool inactive = false;  // ruled by another control for now (manual exposure under auto)
    std::vector<std::pair<int, QString>> items;  // a menu's entries: value and name
};

// What the user chose for the device: kept in the camera settings file across restarts.
struct CameraChoice {
    QString path;                      // empty: the first device
    std::optional<CameraMode> mode;    // none: the mode that costs least for the engine's frames
    std::map<unsigned, int> controls;  // control id -> value the user set
};

// The capture device behind a camera, for its format and source dialogs.
class CameraDevice {
  public:
    virtual ~CameraDevice() = default;
    // The devices the system lists now.
    virtual std::vector<CameraInfo> cameras() = 0;
    virtual CameraChoice choice() const = 0;
    // Takes effect at the next open; the controls are also set on the device at once.
    virtual void restore(const CameraChoice& choice) = 0;
    virtual void choose(const QString& path, const std::optional<CameraMode>& mode) = 0;
    // The controls of the chosen device as the driver lists them, with their present values.
    virtual std::vector<CameraControl> controls() = 0;
    virtual bool set_control(unsigned id, int value) = 0;
};
