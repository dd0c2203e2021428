#include "platform/v4l2/v4l2_controls.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "log/categories.h"

namespace {
int retry_ioctl(int fd, unsigned long request, void* argument) {
    int result;
    do {
        result = ioctl(fd, request, argument);
    } while (result < 0 && errno == EINTR);
    return result;
}

QString name_of(const __u8* text, size_t size) {
    return QString::fromUtf8(reinterpret_cast<const char*>(text),
                             qstrnlen(reinterpret_cast<const char*>(text), size));
}
}  // namespace

V4l2Controls::V4l2Controls(const QString& path) : path_(path) {
    fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        qCWarning(camera_log) << "Cannot open" << path << "for its controls:" << strerror(errno);
}

V4l2Controls::~V4l2Controls() {
    if (fd_ >= 0) ::close(fd_);
}

std::vector<CameraControl> V4l2Controls::list() const {
    std::vector<CameraControl> controls;
    if (fd_ < 0) return controls;
    v4l2_queryctrl query{};
    query.id = V4L2_CTRL_FLAG_NEXT_CTRL;
    while (retry_ioctl(fd_, VIDIOC_QUERYCTRL, &query) == 0) {
        CameraControl control;
        control.id = query.id;
        control.name = name_of(query.name, sizeof query.name);
        control.minimum = query.minimum;
        control.maximum = query.maximum;
        control.step = qMax(1, query.step);
        control.default_value = query.default_value;
        control.inactive = (query.flags & V4L2_CTRL_FLAG_INACTIVE) != 0;
        const bool shown = !(query.flags & (V4L2_CTRL_FLAG_DISABLED | V4L2_CTRL_FLAG_READ_ONLY));
        bool known = true;
        switch (query.type) {
            case V4L2_CTRL_TYPE_INTEGER:
                control.kind = CameraControl::Kind::integer;
                break;
            case V4L2_CTRL_TYPE_BOOLEAN:
                control.kind = CameraControl::Kind::boolean;
                break;
            case V4L2_CTRL_TYPE_MENU:
            case V4L2_CTRL_TYPE_INTEGER_MENU:
                control.kind = CameraControl::Kind::menu;
                control.items = menu_items(query.id, query.minimum, query.maximum,
                                           query.type == V4L2_CTRL_TYPE_INTEGER_MENU);
                break;
            default:
                known = false;  // buttons, strings, control class headings
        }
        if (shown && known && read(control)) controls.push_back(std::move(control));
        query.id |= V4L2_CTRL_FLAG_NEXT_CTRL;
    }
    return controls;
}

bool V4l2Controls::read(CameraControl& control) const {
    v4l2_control value{};
    value.id = control.id;
    if (retry_ioctl(fd_, VIDIOC_G_CTRL, &value) < 0) return false;
    control.value = value.value;
    return true;
}

std::vector<std::pair<int, QString>> V4l2Controls::menu_items(unsigned id, int minimum, int maximum,
                                                              bool integer_menu) const {
    std::vector<std::pair<int, QString>> items;
    for (int index = minimum; index <= maximum; ++index) {
        v4l2_querymenu item{};
        item.id = id;
        item.index = unsigned(index);
        // A driver leaves holes in a menu for entries it does not offer.
        if (retry_ioctl(fd_, VIDIOC_QUERYMENU, &item) < 0) continue;
        items.emplace_back(index, integer_menu ? QString::number(item.value)
                                               : name_of(item.name, sizeof item.name));
    }
    return items;
}

bool V4l2Controls::set(unsigned id, int value) const {
    if (fd_ < 0) return false;
    v4l2_control control{};
    control.id = id;
    control.value = value;
    if (retry_ioctl(fd_, VIDIOC_S_CTRL, &control) == 0) return true;
    qCWarning(camera_log) << "Cannot set control" << Qt::hex << id << Qt::dec << "of" << path_
                          << "to" << value << ":" << strerror(errno);
    return false;
}
