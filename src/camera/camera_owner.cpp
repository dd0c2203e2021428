#include "camera/camera_owner.h"

#include "log/categories.h"

CameraOwner::CameraOwner(Camera& camera) : camera_(camera) {}

Camera* CameraOwner::take(CameraUser who) {
    if (who == CameraUser::nobody) return nullptr;
    if (holder_ == who) return &camera_;
    if (holder_ != CameraUser::nobody) {
        qCInfo(camera_log) << "the camera is with" << camera_user_name(holder_) << "; refused to"
                           << camera_user_name(who);
        return nullptr;
    }
    if (!camera_.open()) return nullptr;
    holder_ = who;
    qCDebug(camera_log) << "the camera opened for" << camera_user_name(who);
    return &camera_;
}

void CameraOwner::give_back(CameraUser who) {
    if (!held_by(who)) return;
    camera_.close();
    holder_ = CameraUser::nobody;
    qCDebug(camera_log) << "the camera closed by" << camera_user_name(who);
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
