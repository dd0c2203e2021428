#pragma once

#include <QString>

#include "controls/controls.h"

// The small window that tells the user of trouble with the chat link: one message and "OK".
// It exists once; a new report replaces the texts of the last one.
struct Problem {
    QString caption;
    bool visible = false;
    Label Label1;  // the message
    CommandButton Command1;

    Problem() {
        Command1.caption = QStringLiteral("OK");
        Command1.on_click = [this] { Command1_Click(); };
    }
    void report(const QString& title, const QString& message) {
        Label1.caption = message;
        caption = title;
        visible = true;
    }
    void Command1_Click() { visible = false; }
};
