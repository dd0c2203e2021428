#pragma once

#include <QImage>
#include <QString>
#include <functional>

#include "jingle/call_media.h"

class CameraOwner;

// How the XMPP client makes each call's media: webrtcbin, showing the program's picture source
// at up to 640 x 480. `camera` is the source as the command line names it (a device, a file, a
// URI); `scene`, when set, draws the pictures instead (the built-in demo scene); `still` gives
// the last picture the program took, shown when the camera cannot be had. `owner` (may be null)
// is asked for the camera before the call opens it, so that detection finds it taken; the call
// opens the device at its own size and gives it back when it ends.
CallMediaFactory gst_call_media_factory(CameraOwner* owner, const QString& camera,
                                        std::function<QImage()> scene,
                                        std::function<QImage()> still);

// The video codecs this machine's GStreamer can send, preferred first, and Opus.
QStringList gst_call_codecs();
