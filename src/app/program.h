#pragma once

#include <QString>
#include <memory>

#include "platform/seams.h"

class frmTesting;
class Video_Quelm_Setup;
struct Problem;
struct User_Find;

// The whole program: the seams it runs on, its application folder and its windows. Every window
// exists at most once and is created the first time it is needed.
class Program {
public:
    Program(Seams seams, QString app_folder);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    Seams& seams() { return seams_; }
    // The folder that holds the settings, the motion log and the documents (no trailing "/").
    const QString& app_folder() const { return app_folder_; }
    QString app_path(const QString& file_name) const { return app_folder_ + '/' + file_name; }

    frmTesting& main_window() { return *main_window_; }
    // The settings dialog, created hidden on first use and kept until the program ends.
    Video_Quelm_Setup& setup();
    bool has_setup() const { return setup_ != nullptr; }
    Problem& problem();
    User_Find& user_find();

private:
    Seams seams_;
    QString app_folder_;
    std::unique_ptr<Video_Quelm_Setup> setup_;
    std::unique_ptr<Problem> problem_;
    std::unique_ptr<User_Find> user_find_;
    std::unique_ptr<frmTesting> main_window_;
};
