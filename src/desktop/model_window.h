#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

class QMenuBar;

// A top-level window of the program. Its controls sit at fixed places on `client()`, an area
// of the size the window's layout gives. The close box does not close it by itself: the window's
// model decides, through `on_close_box`. Enter presses the button that has the focus.
class ModelWindow : public QWidget {
  public:
    enum class Border {
        fixed_no_control_box,  // fixed, no close, minimise or maximise button
        fixed_single,          // fixed, a close box only
        sizable,               // a sizing border, minimise and maximise buttons
    };

    ModelWindow(Border border, int client_width_twips, int client_height_twips,
                QMenuBar* menu_bar = nullptr);

    QWidget* client() const { return client_; }
    // Centres the window on its screen (done when it is first shown, for the windows that ask).
    void centre_on_screen();
    // Centres the window over the program's main window when that is on screen (where every
    // other window first shows), else on the screen.
    void centre_over_main();
    // The window the others open over.
    static void set_main(ModelWindow* window);

    // Escape acts as the close box: the small windows with a close box only.
    bool closes_on_escape = false;

    // Who sets its hooks: each window's view (main_view, setup_view, viewer_view...) sets
    // `on_close_box` to its model's close; viewer_view sets `on_resized`; startup_marks sets
    // `on_painted` on the start-up window when start-up times are measured.
    std::function<void()> on_close_box;
    std::function<void()> on_resized;
    std::function<void()> on_painted;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

  private:
    QWidget* client_;
    static QPointer<ModelWindow> main_;
};
