#include <QFile>
#include <functional>

#include "app/class_motion.h"
#include "app/frm_testing.h"
#include "app/program.h"
#include "log/categories.h"
#include "motion_log/motion_log.h"
#include "seams/seams.h"
#include "seams/skype_link.h"

namespace {
const QString cr = QStringLiteral("\r");

const char* const help_lines[] = {"Motion On- Turn Motion Sensing On",
                                  "Motion Off- Turn Motion Sensing Off",
                                  "Motion High- Set Sensitivity to High (very sensitive)",
                                  "Motion Medium- Set Sensitivity to Medium",
                                  "Motion Low- Set Sensitivity to Low",
                                  "Alarm Off- Turn the Audio Alarm Off",
                                  "Alarm On- Turn the Audio Alarm On",
                                  "IM Off- Turn the auto sending of jpeg off",
                                  "IM On- Turn the auto sending of jpeg on",
                                  "Call On- Turn the Call on Alarm On",
                                  "Call Off- Turn the Call on Alarm Off",
                                  "Answer On- Turn the Call Answer On",
                                  "Answer Off- Turn the Call Answer Off",
                                  "List- List the last ten motion trigger events"};
}  // namespace

void frmTesting::reply(const QString& text) {
    program_.seams().skype.SendCommand(QStringLiteral("CHATMESSAGE ") + chat_name + ' ' + text);
}

QString frmTesting::help_text() const {
    QString text = QStringLiteral("Video Quelm Remote Access Commands") + cr + cr;
    for (const char* line : help_lines) text += QString::fromLatin1(line) + cr;
    return text;
}

// The first status line says only whether detection is armed: an owner's script reads it. Why an
// armed machine cannot fire yet goes on a line after the six.
QString frmTesting::sensing_text() const {
    return cmdCapture.enabled ? QStringLiteral("Motion Sensing Off")
                              : QStringLiteral("Motion Sensing On");
}

QString frmTesting::status_text() {
    auto enabled = [](const CheckBox& box, const char* what) {
        return QString::fromLatin1(what) +
               (box.value == CheckBox::checked ? QStringLiteral(" Enabled")
                                               : QStringLiteral(" Disabled")) +
               cr;
    };
    QString text = QStringLiteral("Status of Video Quelm") + cr + cr;
    text += sensing_text() + cr;
    if (Option1.value) text += QStringLiteral("Motion Sensing Manual Setting") + cr;
    if (Option2.value) text += QStringLiteral("Motion Sensing Low") + cr;
    if (Option4.value) text += QStringLiteral("Motion Sensing Medium") + cr;
    if (Option3.value) text += QStringLiteral("Motion Sensing High") + cr;
    text += enabled(Check1, "Calling Out") + enabled(Check2, "IM Pic") +
            enabled(Check3, "Accept Calls w/Video") + enabled(Check4, "Audio Alarm");
    if (!cmdCapture.enabled && !motion_active)
        text += QStringLiteral("Motion Detect on Delay") + cr;
    if (has_motion() && motion().camera_lost()) text += QStringLiteral("Camera not available") + cr;
    return text;
}

// The last ten lines of the log, numbered 9 (oldest kept) to 0 (newest). The listing starts
// empty each time, so a short log is not padded with lines left from an earlier listing; the
// digit commands pick from it.
QString frmTesting::list_text() {
    log_buffer.fill(QString());
    QFile log(program_.app_path(motion_log::file_name));
    if (log.open(QIODevice::ReadOnly)) {
        while (!log.atEnd()) {
            QString line = QString::fromLocal8Bit(log.readLine());
            while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
            std::move(log_buffer.begin() + 1, log_buffer.end(), log_buffer.begin());
            log_buffer[9] = line;
        }
    }
    QString text = QStringLiteral("Select Number to View") + cr + cr;
    for (int i = 0; i < 10; ++i) {
        if (log_buffer[i].isEmpty()) continue;
        text += '#' + QString::number(9 - i) + QStringLiteral("  ") + log_buffer[i] + cr;
    }
    return text;
}

// Matches the body (lower-cased for the words, as it is for the digits) and acts exactly as the
// matching click would, then answers in the chat the command came from.
void frmTesting::interpret_command(const QString& body) {
    const QString word = body.toLower();
    // Whoever reads the journal later sees every command the machine obeyed and from whom.
    const auto obeyed = [this, &word] {
        qCInfo(link_log).noquote() << QStringLiteral("command \"%1\" obeyed, from %2 (chat %3)")
                                          .arg(word, Text1.text, chat_name);
    };
    if (word == QLatin1String("list")) {
        obeyed();
        return reply(list_text());
    }
    if (body.size() == 1 && body[0] >= '0' && body[0] <= '9') {
        obeyed();
        const QString& entry = log_buffer[static_cast<size_t>(9 - body[0].digitValue())];
        // The first twenty characters of a log line are the file name and the blank after it;
        // a file dialog here takes that blank as part of the name, so it is left off.
        motion().send_file(entry.left(20).trimmed());
        return;
    }
    // Each row does what its click does and gives the answer; "help" and "status" only answer.
    struct Command {
        const char* word;
        std::function<QString()> answer;
    };
    const auto doing = [](std::function<void()> act, const char* answer) {
        return [act = std::move(act), answer] {
            act();
            return QString::fromLatin1(answer);
        };
    };
    const Command commands[] = {
        {"motion on", doing([this] { arm_detection(); }, "Motion Sensing Now ON")},
        {"motion off", doing([this] { disarm_detection(); }, "Motion Sensing Now OFF")},
        {"help", [this] { return help_text(); }},
        {"motion low", doing([this] { Option2.set_value(true); }, "motion now low")},
        {"motion medium", doing([this] { Option4.set_value(true); }, "motion now medium")},
        {"motion high", doing([this] { Option3.set_value(true); }, "motion now high")},
        {"call off", doing([this] { Check1.set_value(0); }, "Call now off")},
        {"call on", doing([this] { Check1.set_value(1); }, "Call now on")},
        {"im off", doing([this] { Check2.set_value(0); }, "IM pic now off")},
        {"im on", doing([this] { Check2.set_value(1); }, "IM pic now on")},
        {"alarm off", doing([this] { Check4.set_value(0); }, "Alarm now off")},
        {"alarm on", doing([this] { Check4.set_value(1); }, "Alarm now on")},
        {"answer off", doing([this] { Check3.set_value(0); }, "Answer calls now off")},
        {"answer on", doing([this] { Check3.set_value(1); }, "Answer Calls now on")},
        {"status", [this] { return status_text(); }},
    };
    for (const Command& command : commands) {
        if (word != QLatin1String(command.word)) continue;
        obeyed();
        return reply(command.answer());
    }
}
