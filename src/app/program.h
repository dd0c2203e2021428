#pragma once

#include <functional>

#include <QString>
#include <memory>

#include "seams/seams.h"

class AlarmAftermath;
class CameraOwner;
class frmTesting;
class Video_Quelm_Setup;
struct Problem;
struct User_Find;
class Quelm_Splash;
class About;
class VQ_EULA;
class VideoFormatDialog;
class VideoSettingsDialog;

// The whole program: the seams it runs on, its application folder and its windows. Every window
// exists at most once and is created the first time it is needed.
class Program {
  public:
    // `camera` decides who has the camera; the one behind it is the seams' camera.
    Program(Seams seams, CameraOwner& camera, QString app_folder);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    Seams& seams() { return seams_; }
    CameraOwner& camera_owner() { return camera_owner_; }
    // The folder that holds the settings, the motion log and the documents (no trailing "/").
    const QString& app_folder() const { return app_folder_; }
    QString app_path(const QString& file_name) const { return app_folder_ + '/' + file_name; }

    frmTesting& main_window() { return *main_window_; }
    // The settings dialog, created hidden on first use and kept until the program ends.
    Video_Quelm_Setup& setup();
    bool has_setup() const { return setup_ != nullptr; }
    // The camera's two dialogs, made on first use.
    VideoFormatDialog& video_format();
    std::function<QString()> camera_settings_path();
    bool has_video_format() const { return video_format_ != nullptr; }
    VideoSettingsDialog& video_settings();
    bool has_video_settings() const { return video_settings_ != nullptr; }
    Problem& problem();
    bool has_problem() const { return problem_ != nullptr; }
    User_Find& user_find();
    bool has_user_find() const { return user_find_ != nullptr; }

    // The start-up window, the About window and the document viewer. About and the viewer are
    // destroyed when the user closes them and made afresh when next shown.
    Quelm_Splash& splash();
    bool has_splash() const { return splash_ != nullptr; }
    // Shows the About window, making it (with its Form_Load) when there is none.
    void show_about();
    About* about() { return about_.get(); }
    void close_about();
    VQ_EULA& viewer();
    bool has_viewer() const { return viewer_ != nullptr; }
    void close_viewer();
    // The program ends when its last window has closed.
    void end_when_no_window_is_open();

    // The link is the program's own messenger account, not the old client: the windows name it.
    bool messenger_link = false;
    // How that account stands, for the window: online, or why not and when it is tried again (on
    // the scheduler's clock; -1 while it waits for the user). An empty reason while offline is
    // the first try. Set by the run (Session) from the XMPP client; unset for the other links.
    struct MessengerState {
        bool online = false;
        QString reason;
        qint64 retry_due_ms = -1;
    };
    std::function<MessengerState()> messenger_state;
    // Where the pictures come from, and why the camera last failed to open, as the user said and
    // GStreamer told; empty when unknown.
    QString camera_source;
    std::function<QString()> camera_open_error;
    // "Can't open capture window", with the source and the reason when they are known.
    QString camera_problem_text() const;
    // The application folder could not be written to at start, or a snapshot was not saved.
    bool folder_unwritable = false;

    // The journal line, housekeeping and command that follow each alarm.
    AlarmAftermath& aftermath();

    // The folder of the documents that come with the program (beside it in a build tree, in
    // share/videoquelm when installed): used when the application folder has none of its own.
    QString program_folder;
    QString document_path(const QString& file_name) const;

  private:
    Seams seams_;
    CameraOwner& camera_owner_;
    QString app_folder_;
    std::unique_ptr<Video_Quelm_Setup> setup_;
    std::unique_ptr<VideoFormatDialog> video_format_;
    std::unique_ptr<VideoSettingsDialog> video_settings_;
    std::unique_ptr<Problem> problem_;
    std::unique_ptr<User_Find> user_find_;
    std::unique_ptr<Quelm_Splash> splash_;
    std::unique_ptr<About> about_;
    std::unique_ptr<VQ_EULA> viewer_;
    std::unique_ptr<AlarmAftermath> aftermath_;
    std::unique_ptr<frmTesting> main_window_;
};
