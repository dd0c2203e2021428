#pragma once

#include <gst/app/gstappsrc.h>

#include <QImage>
#include <QTimer>
#include <chrono>

#include "platform/call/call_pictures.h"

// Pushes the call's pictures into its video branch at a steady rate from the program's thread:
// black until the owner may see the room, then the camera's newest picture (the one before when
// none is new), or the last picture the program took, held as a still, when the camera cannot be
// had or sends nothing. A steady rate keeps the encoder's rate control and the phone's jitter
// buffer happy whatever the camera does.
class CallPictureFeed {
  public:
    static constexpr int frames_per_second = 20;
    // A camera that cannot be opened, or gives no picture, this long after the room may be shown
    // is given up for the still. Opening is tried again meanwhile: the program may still be
    // letting the device go.
    static constexpr std::chrono::milliseconds camera_patience{3000};
    static constexpr std::chrono::milliseconds open_retry{500};

    CallPictureFeed(GstAppSrc* source, CallPictures pictures);
    ~CallPictureFeed();
    CallPictureFeed(const CallPictureFeed&) = delete;
    CallPictureFeed& operator=(const CallPictureFeed&) = delete;

    void start();
    // The room from now on.
    void show_room();
    // Stops pushing and gives the camera back.
    void stop();

  private:
    void push_next();
    QImage next_picture();
    void try_camera();
    void give_camera_back();
    void push(const QImage& picture);

    GstAppSrc* source_;  // the pipeline's
    CallPictures pictures_;
    QTimer tick_;
    QImage current_;
    QSize caps_size_;
    bool showing_room_ = false;
    bool camera_taken_ = false;
    bool camera_seen_ = false;
    bool camera_given_up_ = false;
    std::chrono::steady_clock::time_point room_since_;
    std::chrono::steady_clock::time_point last_try_;
};
