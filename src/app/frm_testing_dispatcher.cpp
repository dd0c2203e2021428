#include <optional>

#include "app/frm_testing.h"
#include "app/link_command.h"
#include "app/program.h"
#include "log/categories.h"
#include "seams/seams.h"
#include "seams/skype_link.h"

namespace {
void ask(frmTesting& f, const char* tag, const QString& id, const char* property) {
    send_command(f, QStringLiteral("%1 GET CHATMESSAGE %2 %3")
                        .arg(QLatin1String(tag), id, QLatin1String(property)));
}

// "<tag> CHATMESSAGE <id> <property> <value>": the id and the value (everything after the
// property and its blank, which may be empty), or nothing when the line is not that reply.
struct ChatMessageReply {
    QString id, value;
};
std::optional<ChatMessageReply> chat_message_reply(const QString& line, const char* tag,
                                                   const char* property) {
    const QString head = QLatin1String(tag) + QStringLiteral(" CHATMESSAGE ");
    if (!line.startsWith(head)) return std::nullopt;
    const qsizetype id_end = line.indexOf(' ', head.size());
    if (id_end <= head.size()) return std::nullopt;
    const QString rest = line.mid(id_end + 1);
    const QLatin1String name(property);
    if (!rest.startsWith(name) || (rest.size() > name.size() && rest[name.size()] != ' '))
        return std::nullopt;
    return ChatMessageReply{line.mid(head.size(), id_end - head.size()), rest.mid(name.size() + 1)};
}

bool is_access_refused(const QString& line) {
    return line == QLatin1String("ERROR 68") || line.startsWith(QLatin1String("ERROR 68 "));
}
}  // namespace

// Every line from the link passes these tests in order; a test sees what earlier ones changed.
// The replies about a chat message end the handling of their line: a message's text must never
// read as a call status.
void frmTesting::Access1_Notification(const QString& line) {
    if (line.toLower() == QLatin1String("connstatus loggedout")) disconnected_warning();
    if (is_access_refused(line)) access_refused();
    if (line.startsWith(QLatin1String("CHATMESSAGE")) && line.endsWith(QLatin1String("RECEIVED")))
        chat_message_received(line);
    if (line.startsWith(QLatin1String("#605"))) return chat_name_arrived(line);
    if (line.startsWith(QLatin1String("#606"))) return chat_author_arrived(line);
    if (line.startsWith(QLatin1String("#610"))) return chat_body_arrived(line);
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

// "CHATMESSAGE <id> STATUS RECEIVED": ask which chat it belongs to. Each message is followed by
// its own id, so messages that arrive together are each answered.
void frmTesting::chat_message_received(const QString& line) {
    const qsizetype blank = line.indexOf(' ', 12);
    if (blank >= 0) chat_msg_id = line.mid(12, blank - 12);
    chats_in_flight_.received(chat_msg_id);
    ask(*this, "#605", chat_msg_id, "CHATNAME");
}

// "#605 CHATMESSAGE <id> CHATNAME <chat>": remember where to answer, then ask who wrote it.
void frmTesting::chat_name_arrived(const QString& line) {
    const std::optional<ChatMessageReply> reply = chat_message_reply(line, "#605", "CHATNAME");
    if (!reply || !reply->value.startsWith('#')) return;
    if (chats_in_flight_.chat_known(reply->id, reply->value))
        ask(*this, "#606", reply->id, "FROM_HANDLE");
}

// "#606 CHATMESSAGE <id> FROM_HANDLE <author>": the client vouches for the author, so only the
// owner, named exactly, gives commands, in whatever chat (a group chat too); nobody does while
// no call target is set.
void frmTesting::chat_author_arrived(const QString& line) {
    const std::optional<ChatMessageReply> reply = chat_message_reply(line, "#606", "FROM_HANDLE");
    if (!reply) return;
    if (Text1.text.isEmpty() || reply->value != Text1.text) {
        chats_in_flight_.forget(reply->id);
        return;
    }
    if (chats_in_flight_.admit(reply->id)) ask(*this, "#610", reply->id, "BODY");
}

// "#610 CHATMESSAGE <id> BODY <text>": the body is everything after the "BODY " that follows
// the message id, so a message that itself says "BODY" is kept whole. It is answered in the chat
// it came from.
void frmTesting::chat_body_arrived(const QString& line) {
    const std::optional<ChatMessageReply> reply = chat_message_reply(line, "#610", "BODY");
    if (!reply) return;
    const std::optional<QString> chat = chats_in_flight_.finish(reply->id);
    if (!chat) return;
    chat_name = *chat;
    interpret_command(reply->value);
}

// The client does not let this program attach: nothing remote can work until the user allows it.
void frmTesting::access_refused() {
    qCWarning(link_log) << "the chat client refused this program access (ERROR 68)";
    link_access_refused = true;
}
