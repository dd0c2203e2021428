#include "app/program.h"

#include "app/frm_testing.h"
#include "windows/problem.h"
#include "windows/user_find.h"
#include "windows/video_quelm_setup.h"

Program::Program(Seams seams, QString app_folder)
    : seams_(seams), app_folder_(std::move(app_folder)) {
    while (app_folder_.size() > 1 && app_folder_.endsWith('/')) app_folder_.chop(1);
    main_window_ = std::make_unique<frmTesting>(*this);
}

Program::~Program() = default;

Video_Quelm_Setup& Program::setup() {
    if (!setup_) setup_ = std::make_unique<Video_Quelm_Setup>(*this);
    return *setup_;
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
