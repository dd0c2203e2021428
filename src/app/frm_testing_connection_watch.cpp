#include "app/frm_testing.h"
#include "app/program.h"
#include "log/categories.h"
#include "seams/seams.h"
#include "seams/skype_link.h"
#include "seams/user_messages.h"
#include "windows/problem.h"
#include "windows/user_find.h"

// With the program's own messenger account the user never met the old client: the boxes name
// the messenger and where its account is set.
void frmTesting::disconnected_warning() {
    if (program_.messenger_link) {
        // An account refused before it was ever online was never connected: its box and the
        // window's notice say why.
        if (!link_ever_up) return;
        program_.problem().report(
            QStringLiteral("Disconnected from the messenger!"),
            QStringLiteral("You are disconnected from the messenger- you can not use remote "
                           "features.  Check the account in File > Messenger Account..."));
        return;
    }
    program_.problem().report(
        QStringLiteral("Disconnected from Skype!"),
        QStringLiteral("You are disconnected from Skype- you can not use remote features.  Start "
                       "Skype up to fix"));
}

// A link that never came up is not news every ten seconds: it is said once, in the window and
// the log, and the logged-out box waits until the link has been up and gone down.
void frmTesting::no_link_yet() {
    if (no_link_told) return;
    no_link_told = true;
    if (program_.messenger_state) {
        qCWarning(link_log) << "not logged in to the messenger yet";
    } else {
        qCWarning(link_log) << "no messenger set up (no chat client on the session bus): use File "
                               "> Messenger Account... or --xmpp-config";
    }
}

// Every ten seconds: while the user is logged out, say so (again, also after the user closed it).
// A client that went away took any call with it: the camera comes back.
// The messenger account takes commands while it reconnects (they wait for the stream), so the
// link is not logged out then, but it is not up either: the window says why, and a server that is
// away for a while is no reason for a box.
void frmTesting::Timer3_Timer() {
    const bool logged_out = program_.seams().skype.LoginStatus() == SkypeLink::logged_out;
    const bool reconnecting = program_.messenger_state && !program_.messenger_state().online;
    if (!logged_out && !reconnecting) {
        if (!link_ever_up) qCInfo(link_log) << "the chat link is up";
        link_ever_up = true;
        return;
    }
    if (!link_ever_up) return no_link_yet();
    if (!logged_out) return;
    if (call_active == 1 && !Timer4.enabled()) {
        call_state = 6;
        give_camera_back(true);
    }
    if (program_.messenger_link) {
        program_.problem().report(
            QStringLiteral("Logged out of the messenger!"),
            QStringLiteral("You are logged out of the messenger- you can not use remote "
                           "features.  Check the account in File > Messenger Account..."));
        return;
    }
    program_.problem().report(
        QStringLiteral("Logged out of Skype!"),
        QStringLiteral("You are Logged Out of Skype- you can not use remote features.  Log in to "
                       "Skype up to fix"));
}

// "SKYPEVERSION <major>.<...>": clients before 2.0 cannot do what the program needs. Returns
// false when the handling of the line stops.
bool frmTesting::version_arrived(const QString& line) {
    const QString version = line.mid(13);
    const qsizetype dot = version.indexOf('.');
    if (dot < 0) return true;
    const QString before = version.left(dot).trimmed();
    qsizetype digits = 0;
    while (digits < before.size() && before[digits].isDigit() && digits < 9) ++digits;
    const int major = before.left(digits).toInt();
    if (major >= 2) return true;
    program_.seams().messages.message_box(
        QStringLiteral("Incorrect Skype Version Error"),
        QStringLiteral("Video Quelm only works with Skype versions 2.0 and later- please download "
                       "latest Skype version and install then run this again."));
    return false;
}

void frmTesting::Command1_Click() {
    program_.seams().skype.SendCommand(QStringLiteral("Search friends "));
    User_Find& picker = program_.user_find();
    picker.List1.clear();
    picker.visible = true;
}

void frmTesting::Command2_Click() {
    program_.seams().skype.SendCommand(QStringLiteral("SEARCH ACTIVECHATS"));
}

// "USERS a, b, c": names separated by a comma and the blank after it. Each reply is the whole
// list, so it replaces the last one; lines nobody asked for cannot make it grow without end.
// Returns false when the handling of the line stops.
bool frmTesting::friends_arrived(const QString& line) {
    constexpr qsizetype most_friends = 1000;
    if (line.size() < 7) {
        program_.seams().messages.message_box(
            QStringLiteral("No Users in Friends List"),
            QStringLiteral("No users found in your friends list- either add friend contacts or "
                           "manually enter Skype Usernames"));
        return false;
    }
    const QString list = line.mid(6);
    QStringList& names = program_.user_find().List1;
    names.clear();
    qsizetype start = 0;
    for (qsizetype i = 0; i < list.size() && names.size() < most_friends; ++i) {
        if (i == list.size() - 1) names.append(list.mid(start, i + 1 - start));
        if (list[i] == ',') {
            names.append(list.mid(start, i - start));
            start = i + 2;
        }
    }
    return true;
}
