#include <algorithm>

#include "app/class_motion.h"
#include "controls/picture.h"

// The background is always the previous frame: the difference image is previous XOR newest, and
// the newest frame becomes the camera picture the user sees. The difference image is worked out
// in full only if something looks at it; the measure reads only its sample points.
void ClassMotion::Vision_Motion(Picture& inputImage, Picture& backgroundImage,
                                Picture& motionImage) {
    Vision_VFWgrab(inputImage);
    motionImage.set_exclusive_or(backgroundImage, inputImage.image());
    backgroundImage.set_picture(inputImage.image());
}
