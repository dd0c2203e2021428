#include "app/program.h"

#include "app/frm_testing.h"
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
