#pragma once

#include <QString>
#include <functional>

#include "controls/controls.h"
#include "controls/picture.h"

// The start-up window: the product, its version and platform, the licence notice, and the
// three ways on. Nothing of the program proper (settings, camera, chat link) starts before
// "Start Video Quelm". Once closed it is never shown again.
class Quelm_Splash {
  public:
    Quelm_Splash();

    QString caption = QStringLiteral("Video Quelm");
    bool visible = false;
    bool closed = false;

    Label lblCompanyProduct, lblProductName, Label3, lblPlatform, lblVersion, lblCompany, lblYear,
        lblWarning, Label1;
    Picture imgLogo;
    CommandButton Command1;  // "Start Video Quelm"
    CommandButton Command2;  // "View EULA"
    CommandButton Command3;  // "Exit"

    // The three below are set by Program::splash().
    // How "Start" makes the main window visible; the run may do more once it is up.
    std::function<void()> show_main_window;
    // "View EULA": the licence in the document viewer.
    std::function<void()> show_licence;
    // After "Exit": the program ends when no other window is open.
    std::function<void()> end_when_no_window_is_open;

    // Creates the window's texts (Form_Load) and shows it; a closed window stays closed.
    void show();
    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();

  private:
    void close();
};
