#include "log/categories.h"

Q_LOGGING_CATEGORY(camera_log, "vq.camera", QtInfoMsg)
Q_LOGGING_CATEGORY(sound_log, "vq.sound", QtInfoMsg)
Q_LOGGING_CATEGORY(link_log, "vq.link", QtInfoMsg)
Q_LOGGING_CATEGORY(settings_log, "vq.settings", QtInfoMsg)
Q_LOGGING_CATEGORY(alarm_log, "vq.alarm", QtInfoMsg)
Q_LOGGING_CATEGORY(xmpp_log, "vq.xmpp", QtInfoMsg)
Q_LOGGING_CATEGORY(jingle_log, "vq.jingle", QtInfoMsg)
Q_LOGGING_CATEGORY(call_log, "vq.call", QtInfoMsg)
