#include "windows/about.h"

#include "windows/maker.h"
#include "windows/program_icon.h"
#include "windows/version.h"

About::About() : Picture1(32, 32, 32, 32) {
    Picture1.set_picture(program_icon());
    Label4.caption = maker::web_address;
    Label1.caption = maker::year + QStringLiteral(" ") + maker::author;
}

void About::Form_Load() {
    Label2.caption = app::version_line();
    Label3.caption = app::title;
}
