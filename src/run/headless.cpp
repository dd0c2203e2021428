#include "run/headless.h"

#include <QCoreApplication>
#include <cstdio>

#include "app/frm_testing.h"
#include "app/program.h"
#include "app/version.h"
#include "platform/console_messages.h"
#include "platform/no_file_dialogs.h"
#include "platform/terminal_lines.h"
#include "run/quit_signals.h"
#include "run/session.h"
#include "simclient/owner_console.h"
#include "simclient/simulated_client.h"
#include "windows/problem.h"

namespace {
void say(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

// After every event: a changed status is one line on standard output, and the problem window,
// which nobody can see here, is printed and counts as closed.
std::function<void()> watch_status(Program& program, UserMessages& messages) {
    auto last_status = std::make_shared<QString>();
    return [&program, &messages, last_status] {
        frmTesting& window = program.main_window();
        if (window.Label5.caption != *last_status) {
            *last_status = window.Label5.caption;
            say(QStringLiteral("status: ") + *last_status);
        }
        Problem& problem = program.problem();
        if (problem.visible) {
            messages.message_box(problem.caption, problem.Label1.caption);
            problem.visible = false;
        }
    };
}
}  // namespace

int run_headless(const RunOptions& options) {
    ConsoleMessages messages;
    NoFileDialogs dialogs;
    Session session(options, messages, dialogs);
    session.on_device_problem = [&messages](const QString& text) {
        messages.message_box(QStringLiteral("Camera"), text);
    };
    session.on_account_problem = [&messages](const QString& text) {
        messages.message_box(QStringLiteral("Messenger Account"), text);
    };
    Program& program = session.program();
    session.scheduler().after_event = watch_status(program, messages);

    QuitSignals quit_signals([&session] {
        session.scheduler().post([&session] { session.program().main_window().exit_program(); });
    });

    say(QStringLiteral("%1 %2 headless: camera %3, chat link %4, application folder %5")
            .arg(app::title, app::version_line(), options.camera, options.skype,
                 options.app_folder));
    session.show_main_window();
    session.scheduler().after_event();

    std::unique_ptr<OwnerConsole> owner;
    std::unique_ptr<TerminalLines> terminal;
    if (SimulatedClient* client = session.client()) {
        owner = std::make_unique<OwnerConsole>(*client, [](const QString& line) { say(line); });
        terminal = std::make_unique<TerminalLines>();
        terminal->on_line = [&session, &owner](const QString& line) {
            session.scheduler().post([&owner, line] { owner->enter(line); });
        };
        say(QStringLiteral("You are the owner (%1) chatting with the machine: type help and press "
                           "Enter for its commands, ? for yours (call, answer, hangup...).")
                .arg(client->options().owner));
    }
    say(QStringLiteral("Press Ctrl+C to stop."));
    return QCoreApplication::exec();
}
