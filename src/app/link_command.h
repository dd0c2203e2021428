#pragma once

#include <QString>

#include "app/frm_testing.h"
#include "app/program.h"
#include "seams/seams.h"
#include "seams/skype_link.h"

// One command line to the chat/call client, through the link the program was given.
inline void send_command(frmTesting& form, const QString& command) {
    form.program().seams().skype.SendCommand(command);
}
