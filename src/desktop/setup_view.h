#pragma once

#include "desktop/model_view.h"
#include "windows/video_quelm_setup.h"

class Program;

// The settings dialog on screen: the four values with their "+" and "-" buttons, the start-up
// arming box, the two paths with their "Change" buttons and the sound device's own strip.
class SetupView : public ModelView<Video_Quelm_Setup> {
  public:
    explicit SetupView(Program& program);

  private:
    void build_values();
    void build_paths();
    void build_sound_strip();
};
