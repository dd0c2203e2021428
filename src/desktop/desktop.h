#pragma once

#include <memory>

class Program;
class MainView;
class SplashView;
class SetupView;
class AboutView;
class ViewerView;
class ProblemView;
class UserFindView;
class VideoFormatView;
class VideoSettingsView;

// Every window of the program on screen. After each event the program handles, every window
// catches up with its model: it shows or hides as the model says and copies what changed.
class Desktop {
  public:
    // Hooks itself after every event of the program's scheduler.
    explicit Desktop(Program& program);
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    void refresh();

    SplashView& splash() { return *splash_; }
    MainView& main() { return *main_; }
    SetupView& setup() { return *setup_; }
    AboutView& about() { return *about_; }
    ViewerView& viewer() { return *viewer_; }
    ProblemView& problem() { return *problem_; }
    UserFindView& user_find() { return *user_find_; }
    VideoFormatView& video_format() { return *video_format_; }
    VideoSettingsView& video_settings() { return *video_settings_; }

  private:
    Program& program_;
    std::unique_ptr<SplashView> splash_;
    std::unique_ptr<MainView> main_;
    std::unique_ptr<SetupView> setup_;
    std::unique_ptr<AboutView> about_;
    std::unique_ptr<ViewerView> viewer_;
    std::unique_ptr<ProblemView> problem_;
    std::unique_ptr<UserFindView> user_find_;
    std::unique_ptr<VideoFormatView> video_format_;
    std::unique_ptr<VideoSettingsView> video_settings_;
};
