#pragma once

#include <QString>

// Where the program keeps the user's things and finds its own documents. A copy run from its
// build tree keeps everything beside itself, as a developer expects. An installed copy (or one
// unpacked anywhere), recognised by the share/videoquelm folder beside its bin/ folder, shares its
// folder between users and may not write to it: it keeps the settings, log and snapshots in the
// user's data folder and reads the documents from share/videoquelm.
struct InstallPlaces {
    bool installed = false;
    QString app_folder;        // settings, motion log, snapshots, unless the command line says
    QString documents_folder;  // the licence and the manual
};

// `program_folder` holds the running program; `user_data_folder` is the user's data folder
// ($XDG_DATA_HOME, else ~/.local/share).
InstallPlaces install_places(const QString& program_folder, const QString& user_data_folder);

// The same for the running program and the current user.
InstallPlaces running_install_places();
