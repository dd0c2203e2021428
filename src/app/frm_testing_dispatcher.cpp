#include "app/frm_testing.h"
#include "app/program.h"
#include "seams/seams.h"
#include "seams/skype_link.h"
#include "link/chat_name.h"

namespace {
void send(frmTesting& f, const QString& command) { f.program().seams().skype.SendCommand(command); }
}  // namespace

// Every line from the link passes these tests in order; a test sees what earlier ones changed.
void frmTesting::Access1_Notification(const QString& line) {
    if (line.toLower() == QLatin1String("connstatus loggedout")) disconnected_warning();
    if (line.startsWith(QLatin1String("CHATMESSAGE")) && line.endsWith(QLatin1String("RECEIVED")))
        chat_message_received(line);
    if (line.startsWith(QLatin1String("#605")) && !chat_name_arrived(line)) return;
    if (line.startsWith(QLatin1String("#610"))) chat_body_arrived(line);
    if (line.startsWith(QLatin1String("CALL"))) call_line(line);
    if (line.endsWith(QLatin1String("RINGING")) && call_active == 0) incoming_call();
    if (Check3.value == CheckBox::checked && line.startsWith(QLatin1String("#510")))
        caller_known(line);
    if (line.startsWith(QLatin1String("#511"))) call_answered(line);
    if (line.startsWith(QLatin1String("USERS ")) && !friends_arrived(line)) return;
    if (line.startsWith(QLatin1String("SKYPEVERSION")) && !version_arrived(line)) return;
    if (call_active != 1) return;
    call_status(line);
}

// "CHATMESSAGE <id> STATUS RECEIVED": ask which chat it belongs to.
void frmTesting::chat_message_received(const QString& line) {
    const qsizetype blank = line.indexOf(' ', 12);
    if (blank >= 0) chat_msg_id = line.mid(12, blank - 12);
    send(*this, QStringLiteral("#605 GET CHATMESSAGE ") + chat_msg_id + QStringLiteral(" CHATNAME"));
}

// "#605 CHATMESSAGE <id> CHATNAME #creator/$partner;id": only the owner's chat gets its body
// fetched. Returns false when the handling of the line stops.
bool frmTesting::chat_name_arrived(const QString& line) {
    const qsizetype hash = line.indexOf('#', 4);
    if (hash < 0) return false;
    chat_name = line.mid(hash);
    if (!chat_is_with(chat_name, Text1.text)) return false;
    send(*this, QStringLiteral("#610 GET CHATMESSAGE ") + chat_msg_id + QStringLiteral(" BODY"));
    return true;
}

// "#610 CHATMESSAGE <id> BODY <text>": the body is everything after the first "BODY " that
// follows the message id, so a message that itself says "BODY" is kept whole.
void frmTesting::chat_body_arrived(const QString& line) {
    const QString head = QStringLiteral("#610 CHATMESSAGE ");
    qsizetype from = 4;
    if (line.startsWith(head)) {
        const qsizetype after_id = line.indexOf(' ', head.size());
        from = after_id < 0 ? line.size() : after_id;
    }
    const qsizetype body_at = line.indexOf(QLatin1String("BODY "), from);
    const QString body = body_at < 0 ? QString() : line.mid(body_at + 5);
    interpret_command(body);
}
