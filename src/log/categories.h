#pragma once

#include <QLoggingCategory>

// One category per area, so a service run leaves a trail in the journal that can be filtered
// (QT_LOGGING_RULES="vq.camera.debug=true"). Failures the user is not shown go here.
Q_DECLARE_LOGGING_CATEGORY(camera_log)
Q_DECLARE_LOGGING_CATEGORY(sound_log)
Q_DECLARE_LOGGING_CATEGORY(link_log)
Q_DECLARE_LOGGING_CATEGORY(settings_log)
Q_DECLARE_LOGGING_CATEGORY(alarm_log)
Q_DECLARE_LOGGING_CATEGORY(xmpp_log)
Q_DECLARE_LOGGING_CATEGORY(jingle_log)
Q_DECLARE_LOGGING_CATEGORY(call_log)
