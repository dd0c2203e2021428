#pragma once

class Scheduler;
class Camera;
class SkypeLink;
class SoundDevice;
class UserMessages;
class Keystrokes;
class FileDialogs;

// Everything the logic needs from the world outside it. The program wires the real bindings;
// tests wire doubles.
struct Seams {
    Scheduler& scheduler;
    Camera& camera;
    SkypeLink& skype;
    SoundDevice& sound;
    UserMessages& messages;
    Keystrokes& keys;
    FileDialogs& dialogs;
};
