#include "desktop/desktop.h"

#include "app/program.h"
#include "desktop/about_view.h"
#include "desktop/main_view.h"
#include "desktop/problem_view.h"
#include "desktop/setup_view.h"
#include "desktop/splash_view.h"
#include "desktop/user_find_view.h"
#include "desktop/video_format_view.h"
#include "desktop/video_settings_view.h"
#include "desktop/viewer_view.h"
#include "seams/seams.h"

Desktop::Desktop(Program& program)
    : program_(program),
      splash_(std::make_unique<SplashView>(program)),
      main_(std::make_unique<MainView>(program)),
      setup_(std::make_unique<SetupView>(program)),
      about_(std::make_unique<AboutView>(program)),
      viewer_(std::make_unique<ViewerView>(program)),
      problem_(std::make_unique<ProblemView>(program)),
      user_find_(std::make_unique<UserFindView>(program)),
      video_format_(std::make_unique<VideoFormatView>(program)),
      video_settings_(std::make_unique<VideoSettingsView>(program)) {
    Scheduler& scheduler = program.seams().scheduler;
    scheduler.after_event = [this, before = std::move(scheduler.after_event)] {
        if (before) before();
        refresh();
    };
}

Desktop::~Desktop() {
    program_.seams().scheduler.after_event = nullptr;
}

void Desktop::refresh() {
    splash_->refresh();
    main_->refresh();
    setup_->refresh();
    about_->refresh();
    viewer_->refresh();
    problem_->refresh();
    user_find_->refresh();
    video_format_->refresh();
    video_settings_->refresh();
}
