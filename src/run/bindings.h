#pragma once

#include <QImage>
#include <functional>
#include <memory>

#include "run/run_options.h"

class Camera;
class CameraOwner;
class Keystrokes;
class Scheduler;
class ClientCore;
class SkypeLink;
class SoundDevice;
class XmppClient;

// The real devices and the chat link the command line chose.
struct Bindings {
    std::unique_ptr<Camera> camera;
    // Who has the camera: detection, the live picture or a call.
    std::unique_ptr<CameraOwner> camera_owner;
    // A second view of the camera's scene, for the client in a call; only the demo scene has one
    // (set where the camera is made, make_bindings).
    std::function<QImage()> second_view;
    std::unique_ptr<ClientCore> client;  // with --link sim: the client, and its owner's side
    std::unique_ptr<XmppClient> xmpp;    // with --link xmpp: the client and its account
    std::unique_ptr<SkypeLink> link;
    Keystrokes* keys = nullptr;  // the link's own way to the client's file dialog
    std::unique_ptr<SoundDevice> sound;

    Bindings();
    Bindings(Bindings&&) noexcept;
    ~Bindings();
};

// `report` hears of device trouble that comes up while running (a camera that went away).
Bindings make_bindings(const RunOptions& options, Scheduler& scheduler,
                       std::function<void(const QString&)> report);
