#include "app/program.h"

#include <QFileInfo>

#include "app/alarm_aftermath.h"
#include "app/class_motion.h"
#include "app/frm_testing.h"
#include "time/scheduler.h"
#include "windows/about.h"
#include "windows/camera_settings_file.h"
#include "windows/problem.h"
#include "windows/quelm_splash.h"
#include "windows/user_find.h"
#include "windows/video_format_dialog.h"
#include "windows/video_quelm_setup.h"
#include "windows/video_settings_dialog.h"
#include "windows/vq_eula.h"

Program::Program(Seams seams, CameraOwner& camera, QString app_folder)
    : seams_(seams), camera_owner_(camera), app_folder_(std::move(app_folder)) {
    while (app_folder_.size() > 1 && app_folder_.endsWith('/')) app_folder_.chop(1);
    main_window_ = std::make_unique<frmTesting>(*this);
    // The notices follow the state whoever changed it: a timer, a chat line or a click.
    seams_.scheduler.after_event = [this, before = std::move(seams_.scheduler.after_event)] {
        if (main_window_->loaded) {
            main_window_->update_notices();
            main_window_->save_settings_soon();
        }
        if (before) before();
    };
}

Program::~Program() {
    seams_.scheduler.after_event = nullptr;
}

QString Program::camera_problem_text() const {
    QString text = QStringLiteral("Can't open capture window");
    if (camera_source.isEmpty()) return text;
    text += QStringLiteral("\n\nCamera %1").arg(camera_source);
    const QString reason = camera_open_error ? camera_open_error() : QString();
    if (!reason.isEmpty()) text += QStringLiteral(": ") + reason;
    return text;
}

AlarmAftermath& Program::aftermath() {
    if (!aftermath_) aftermath_ = std::make_unique<AlarmAftermath>(*this);
    return *aftermath_;
}

Video_Quelm_Setup& Program::setup() {
    if (!setup_) {
        frmTesting& f = *main_window_;
        setup_ = std::make_unique<Video_Quelm_Setup>(seams_, f.snap_folder, f.alarm_file, f.Timer6);
    }
    return *setup_;
}

std::function<QString()> Program::camera_settings_path() {
    return [this] { return camera_settings_file::path_in(app_folder()); };
}

VideoFormatDialog& Program::video_format() {
    if (!video_format_) {
        // Detection switched on from afar meanwhile keeps its camera; the choice waits for the
        // next opening.
        auto reopen = [this] {
            if (main_window().mnuFormat.enabled) main_window().motion().reopen_camera();
        };
        video_format_ =
            std::make_unique<VideoFormatDialog>(seams(), camera_settings_path(), reopen);
    }
    return *video_format_;
}

VideoSettingsDialog& Program::video_settings() {
    if (!video_settings_)
        video_settings_ = std::make_unique<VideoSettingsDialog>(seams(), camera_settings_path());
    return *video_settings_;
}

Problem& Program::problem() {
    if (!problem_) problem_ = std::make_unique<Problem>();
    return *problem_;
}

User_Find& Program::user_find() {
    if (!user_find_) {
        user_find_ = std::make_unique<User_Find>();
        user_find_->on_chosen = [this](const QString& name) { main_window_->Text1.text = name; };
    }
    return *user_find_;
}

Quelm_Splash& Program::splash() {
    if (!splash_) {
        splash_ = std::make_unique<Quelm_Splash>();
        if (messenger_link)
            splash_->Label3.caption = QStringLiteral("For use with an XMPP messenger");
        splash_->show_main_window = [this] { main_window_->show(); };
        splash_->show_licence = [this] {
            viewer().show_document(QStringLiteral("Video Quelm EULA"),
                                   QStringLiteral("VideoQuelm_EULA.rtf"));
        };
        splash_->end_when_no_window_is_open = [this] { end_when_no_window_is_open(); };
    }
    return *splash_;
}

void Program::show_about() {
    if (!about_) {
        about_ = std::make_unique<About>();
        about_->Form_Load();
    }
    about_->visible = true;
}

void Program::close_about() {
    about_.reset();
}

VQ_EULA& Program::viewer() {
    if (!viewer_)
        viewer_ =
            std::make_unique<VQ_EULA>([this](const QString& name) { return document_path(name); });
    return *viewer_;
}

void Program::close_viewer() {
    viewer_.reset();
    end_when_no_window_is_open();
}

void Program::end_when_no_window_is_open() {
    const bool open = (splash_ && splash_->visible) || main_window_->visible ||
                      (setup_ && setup_->visible) || (problem_ && problem_->visible) ||
                      (user_find_ && user_find_->visible) || (about_ && about_->visible) ||
                      (viewer_ && viewer_->visible);
    if (!open) seams_.scheduler.quit();
}

QString Program::document_path(const QString& file_name) const {
    const QString own = app_path(file_name);
    if (program_folder.isEmpty() || QFileInfo::exists(own)) return own;
    return program_folder + '/' + file_name;
}
