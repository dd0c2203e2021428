#pragma once

#include "desktop/model_view.h"
#include "windows/quelm_splash.h"

class Program;
class QPushButton;

// The start-up window on screen: a fixed window without a close box, a green frame with the
// product's lines and logo, and its three buttons, "Start Video Quelm" holding the focus.
class SplashView : public ModelView<Quelm_Splash> {
  public:
    explicit SplashView(Program& program);
    QPushButton* start_button() const { return start_; }

  private:
    void build_lines(QWidget* frame);
    void build_buttons(QWidget* frame);

    QPushButton* start_ = nullptr;
};
