#pragma once

#include <QString>

#include "controls/controls.h"
#include "controls/picture.h"

// The About window: the program's icon, name, version, web address, year and author. It is
// made afresh (with its Form_Load) each time it is shown after the user closed it.
class About {
  public:
    About();

    QString caption = QStringLiteral("About Video Quelm");
    bool visible = false;

    Picture Picture1;  // the program icon
    Label Label3;      // the application title
    Label Label2;      // the version line
    Label Label4;      // the maker's web address
    Label Label1;      // the year and author

    void Form_Load();
};
