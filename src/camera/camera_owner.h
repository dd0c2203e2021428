#pragma once

#include "seams/camera.h"

// Who may have the camera open. Only one at a time: two users opening one device behind each
// other's back would fight over it (a capture device opens once) or close it under the other.
enum class CameraUser { nobody, detection, live_picture, call };

// The one place that decides who has the camera. Everyone who wants pictures takes it here and
// gives it back here; nobody opens or closes the camera itself.
class CameraOwner {
  public:
    explicit CameraOwner(Camera& camera);
    CameraOwner(const CameraOwner&) = delete;
    CameraOwner& operator=(const CameraOwner&) = delete;

    // Opens the camera for `who` when nobody else holds it, else nullptr. Nullptr too when the
    // camera would not open. The one who already holds it gets it as it is, not opened again.
    [[nodiscard]] Camera* take(CameraUser who);
    // Holds the camera for `who` without opening it, when nobody else holds it: for a user that
    // opens the device itself, at a size of its own (a call shows more than detection's
    // 320 x 240). Everyone else finds it taken until `who` gives it back. True when `who` holds
    // it now; a holder that took it opened keeps it opened.
    [[nodiscard]] bool claim(CameraUser who);
    // Lets the camera go if `who` holds it (closing it when it was opened here); anyone else's
    // give-back changes nothing.
    void give_back(CameraUser who);
    CameraUser holder() const { return holder_; }
    bool held_by(CameraUser who) const { return who != CameraUser::nobody && holder_ == who; }
    // For what needs no hold: its device's settings and the news that it was lost.
    Camera& camera() { return camera_; }

  private:
    bool free_for(CameraUser who) const;

    Camera& camera_;
    CameraUser holder_ = CameraUser::nobody;
    bool opened_ = false;  // by take(), not merely claimed
};

const char* camera_user_name(CameraUser who);
