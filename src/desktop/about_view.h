#pragma once

#include "desktop/model_view.h"
#include "windows/about.h"

class Program;

// The About window on screen. Its close box destroys the model; the next "About" makes a new one.
class AboutView : public ModelView<About> {
  public:
    explicit AboutView(Program& program);
};
