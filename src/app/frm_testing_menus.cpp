#include "app/class_motion.h"
#include "app/frm_testing.h"
#include "app/program.h"
#include "windows/video_quelm_setup.h"
#include "windows/vq_eula.h"

void frmTesting::mnuFormat_Click() {
    motion().Video_format();
}

void frmTesting::mnuSettings_Click() {
    motion().Video_Setup();
}

// The dialog always shows the current folder and sound file, which the settings file or a remote
// command may have changed while it was hidden.
void frmTesting::mnuOptions_Click() {
    Video_Quelm_Setup& setup = program_.setup();
    setup.visible = true;
    setup.Label1.caption = snap_folder;
    setup.Label3.caption = alarm_file;
}

void frmTesting::mnuAbout_Click() {
    program_.show_about();
}

void frmTesting::mnuInstructions_Click() {
    program_.viewer().show_document(QStringLiteral("Video Quelm Instructions and User Manual"),
                                    QStringLiteral("Video_Quelm_Skype.rtf"));
}
