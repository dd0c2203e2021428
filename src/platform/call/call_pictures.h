#pragma once

#include <QImage>
#include <functional>
#include <optional>

// Where a call's pictures come from once the owner may see the room: the camera, taken for the
// call and given back after it, and the last picture the program took for when the camera
// cannot be had.
struct CallPictures {
    // Takes the camera; false when it cannot be had.
    std::function<bool()> open;
    // The newest picture, at once; nothing when no new one has come.
    std::function<std::optional<QImage>()> newest;
    // Gives the camera back.
    std::function<void()> close;
    // The last picture the program took (may be null).
    std::function<QImage()> still;
};
