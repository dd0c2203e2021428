#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "controls/controls.h"

// The friend picker "Find Skype User": a list of user names; a click takes one as the call
// target and hides the window.
struct User_Find {
    QString caption = QStringLiteral("Find Skype User");
    bool visible = false;
    QStringList List1;
    // Set by Program::user_find(): the chosen name becomes the call target.
    std::function<void(const QString&)> on_chosen;

    void List1_Click(int index) {
        if (index >= 0 && index < List1.size() && on_chosen) on_chosen(List1[index]);
        visible = false;
    }
};
