#pragma once

#include <QStringList>

#include "app/settings_codec.h"
#include "files.h"

// A settings file as the program keeps it, one value a line in the program's order, written into
// the folder; false when it could not be written.
inline bool write_settings_file(const QString& folder, const QStringList& values) {
    QByteArray content;
    for (const QString& value : values) content += *settings_codec::store(value) + "\r\n";
    return write_file(folder + '/' + settings_codec::file_name, content);
}

// The settings of a home service: the owner as call target, two seconds to settle, calls of at
// most `call_minutes`, picture and call on motion, detection on at start, the whole picture
// watched.
inline bool write_home_settings(const QString& folder, const QString& owner,
                                const QString& call_minutes = "30") {
    return write_settings_file(
        folder, {owner, "30",    "30",    "2",     call_minutes, "", "1", "1",   "1", "0",
                 "1",   "False", "False", "False", "True",       "", "4", "316", "4", "236"});
}
