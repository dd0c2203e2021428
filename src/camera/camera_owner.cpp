#include "camera/camera_owner.h"

#include "log/categories.h"

CameraOwner::CameraOwner(Camera& camera) : camera_(camera) {}

Camera* CameraOwner::take(CameraUser who) {
    if (!free_for(who)) return nullptr;
    if (holder_ == who && opened_) return &camera_;
    if (!camera_.open()) return nullptr;
    holder_ = who;
    opened_ = true;
    qCDebug(camera_log) << "the camera opened for" << camera_user_name(who);
    return &camera_;
}

bool CameraOwner::claim(CameraUser who) {
    if (!free_for(who)) return false;
    if (holder_ != who)
        qCDebug(camera_log) << "the camera is held unopened by" << camera_user_name(who);
    holder_ = who;
    return true;
}

bool CameraOwner::free_for(CameraUser who) const {
    if (who == CameraUser::nobody) return false;
    if (holder_ == who || holder_ == CameraUser::nobody) return true;
    qCInfo(camera_log) << "the camera is with" << camera_user_name(holder_) << "; refused to"
                       << camera_user_name(who);
    return false;
}

void CameraOwner::give_back(CameraUser who) {
    if (!held_by(who)) return;
    if (opened_) camera_.close();
    opened_ = false;
    holder_ = CameraUser::nobody;
    qCDebug(camera_log) << "the camera let go by" << camera_user_name(who);
}

const char* camera_user_name(CameraUser who) {
    switch (who) {
        case CameraUser::nobody:
            return "nobody";
        case CameraUser::detection:
            return "detection";
        case CameraUser::live_picture:
            return "the live picture";
        case CameraUser::call:
            return "the call";
    }
    return "?";
}
