#pragma once

#include <QString>

// Pictures of a home and the account's password are the user's alone: everything the program
// makes is readable by its owner only (the process's umask), and a folder left readable by an
// earlier version is closed at start.
namespace private_folder {

// Sets the process's umask so that new files are 0600 and new folders 0700.
void restrict_new_files();

// Makes the folder (and its parents) if needed, sets it to 0700 and takes the group's and
// others' rights off the files the program keeps there (settings, motion log, camera and
// account files, snapshots). False when the folder cannot be made.
bool make_private(const QString& folder);

}  // namespace private_folder
