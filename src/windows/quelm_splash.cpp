#include "windows/quelm_splash.h"

#include "windows/maker.h"
#include "windows/program_icon.h"
#include "windows/version.h"

Quelm_Splash::Quelm_Splash() : imgLogo(32, 32, 32, 32) {
    lblCompanyProduct.caption = maker::name;
    Label3.caption = QStringLiteral("For Use with Skype internet telephone service");
    lblPlatform.caption = QStringLiteral("Linux");
    lblCompany.caption = maker::author;
    lblYear.caption = maker::year;
    lblWarning.caption = QStringLiteral(
        "By clicking on the continue button- user agrees with terms of Video Quelm EULA.");
    Label1.caption = maker::contact;
    imgLogo.set_picture(program_icon());
    Command1.caption = QStringLiteral("Start Video Quelm");
    Command2.caption = QStringLiteral("View EULA");
    Command3.caption = QStringLiteral("Exit");
    Command1.on_click = [this] { Command1_Click(); };
    Command2.on_click = [this] { Command2_Click(); };
    Command3.on_click = [this] { Command3_Click(); };
}

void Quelm_Splash::show() {
    if (closed) return;
    Form_Load();
    visible = true;
}

void Quelm_Splash::Form_Load() {
    lblVersion.caption = app::version_line();
    lblProductName.caption = app::title;
}

void Quelm_Splash::Command1_Click() {
    if (show_main_window) show_main_window();
    close();
}

void Quelm_Splash::Command2_Click() {
    if (show_licence) show_licence();
}

// Only this window closes; the program ends with the last window, which may be the viewer.
void Quelm_Splash::Command3_Click() {
    close();
    if (end_when_no_window_is_open) end_when_no_window_is_open();
}

void Quelm_Splash::close() {
    visible = false;
    closed = true;
}
