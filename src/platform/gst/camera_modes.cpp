#include "platform/gst/camera_modes.h"

#include <algorithm>

namespace camera_modes {
namespace {
constexpr double least_fps = 20;
constexpr int largest_small_area = 640 * 480;

// The driver's names: what `v4l2-ctl --list-formats` shows.
struct FormatName {
    const char* media_type;
    const char* raw_format;  // for video/x-raw only
    const char* name;
};
constexpr FormatName format_names[] = {
    {"video/x-raw", "YUY2", "YUYV"},   {"video/x-raw", "UYVY", "UYVY"},
    {"image/jpeg", nullptr, "MJPG"},   {"video/x-h264", nullptr, "H264"},
    {"video/x-h265", nullptr, "HEVC"},
};

QString format_of(const GstStructure* s) {
    const char* media = gst_structure_get_name(s);
    const char* raw = gst_structure_get_string(s, "format");
    for (const FormatName& f : format_names) {
        if (g_str_equal(media, f.media_type) &&
            (!f.raw_format || (raw && g_str_equal(raw, f.raw_format))))
            return QString::fromLatin1(f.name);
    }
    if (g_str_equal(media, "video/x-raw") && raw) return QString::fromLatin1(raw);
    return {};
}

void add_rate(std::vector<CameraMode>& modes, CameraMode mode, const GValue* rate) {
    if (GST_VALUE_HOLDS_FRACTION(rate)) {
        mode.fps_numerator = gst_value_get_fraction_numerator(rate);
        mode.fps_denominator = gst_value_get_fraction_denominator(rate);
        modes.push_back(mode);
    } else if (GST_VALUE_HOLDS_LIST(rate)) {
        for (guint i = 0; i < gst_value_list_get_size(rate); ++i)
            add_rate(modes, mode, gst_value_list_get_value(rate, i));
    } else if (GST_VALUE_HOLDS_FRACTION_RANGE(rate)) {
        add_rate(modes, mode, gst_value_get_fraction_range_max(rate));
    }
}

bool fits_frame(const CameraMode& m) {
    return m.width >= 320 && m.height >= 240 && m.fps() >= least_fps;
}
bool smaller(const CameraMode& a, const CameraMode& b) {
    if (a.width * a.height != b.width * b.height) return a.width * a.height < b.width * b.height;
    return a.fps() < b.fps();  // among equals, the lower rate wakes the program less
}
}  // namespace

std::vector<CameraMode> of_caps(const GstCaps* caps) {
    std::vector<CameraMode> modes;
    if (!caps || gst_caps_is_any(caps)) return modes;
    for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
        const GstStructure* s = gst_caps_get_structure(caps, i);
        CameraMode mode;
        mode.format = format_of(s);
        const GValue* rate = gst_structure_get_value(s, "framerate");
        if (mode.format.isEmpty() || !rate || !gst_structure_get_int(s, "width", &mode.width) ||
            !gst_structure_get_int(s, "height", &mode.height))
            continue;
        add_rate(modes, mode, rate);
    }
    return modes;
}

std::optional<CameraMode> least_work(const std::vector<CameraMode>& modes) {
    const auto best = [&](auto wanted) -> std::optional<CameraMode> {
        std::vector<CameraMode> fit;
        std::copy_if(modes.begin(), modes.end(), std::back_inserter(fit), wanted);
        if (fit.empty()) return std::nullopt;
        return *std::min_element(fit.begin(), fit.end(), smaller);
    };
    if (auto raw = best([](const CameraMode& m) {
            return m.is_raw() && fits_frame(m) && m.width * m.height <= largest_small_area;
        }))
        return raw;
    return best(
        [](const CameraMode& m) { return m.format == QLatin1String("MJPG") && fits_frame(m); });
}

GstCapsPtr caps_of(const CameraMode& mode) {
    GstStructure* s = nullptr;
    for (const FormatName& f : format_names) {
        if (mode.format == QLatin1String(f.name)) {
            s = gst_structure_new_empty(f.media_type);
            if (f.raw_format) gst_structure_set(s, "format", G_TYPE_STRING, f.raw_format, nullptr);
        }
    }
    if (!s) {
        s = gst_structure_new("video/x-raw", "format", G_TYPE_STRING,
                              mode.format.toLatin1().constData(), nullptr);
    }
    gst_structure_set(s, "width", G_TYPE_INT, mode.width, "height", G_TYPE_INT, mode.height,
                      "framerate", GST_TYPE_FRACTION, mode.fps_numerator, mode.fps_denominator,
                      nullptr);
    return GstCapsPtr(gst_caps_new_full(s, nullptr));
}

const char* decoder_for(const CameraMode& mode) {
    if (mode.is_raw()) return nullptr;
    if (mode.format == QLatin1String("MJPG")) return "jpegdec";
    return "decodebin";
}

}  // namespace camera_modes
