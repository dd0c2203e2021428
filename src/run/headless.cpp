#include "run/headless.h"

#include <unistd.h>
#include <QCoreApplication>
#include <cstdio>

#include "app/frm_testing.h"
#include "app/program.h"
#include "client/client_core.h"
#include "log/journal.h"
#include "platform/console_messages.h"
#include "platform/no_file_dialogs.h"
#include "platform/terminal_lines.h"
#include "run/quit_signals.h"
#include "run/session.h"
#include "run/startup_checks.h"
#include "seams/seams.h"
#include "seams/skype_link.h"
#include "sim/owner_console.h"
#include "windows/problem.h"
#include "windows/version.h"

namespace {
// A reader that went away (the output piped into one that ended) only loses the lines: the
// write fails quietly, as SIGPIPE is ignored.
void say(const QString& line) {
    static const QByteArray mark = journal::prefix(STDOUT_FILENO, journal::info);
    std::printf("%s%s\n", mark.constData(), qPrintable(line));
    std::fflush(stdout);
}

// After every event: a changed status is one line on standard output, and the problem window,
// which nobody can see here, is printed and counts as closed.
std::function<void()> watch_status(Program& program, UserMessages& messages) {
    auto last_status = std::make_shared<QString>();
    auto refusal_told = std::make_shared<bool>(false);
    auto told_problem = std::make_shared<QString>();
    return [&program, &messages, last_status, refusal_told, told_problem] {
        frmTesting& window = program.main_window();
        if (window.Label5.caption != *last_status) {
            *last_status = window.Label5.caption;
            say(QStringLiteral("status: ") + *last_status);
        }
        if (window.link_access_refused && !*refusal_told) {
            *refusal_told = true;
            say(
                QStringLiteral("The chat client refused this program access: allow VideoQuelm "
                               "in the client, then start it again."));
        }
        // The same trouble is told once, not every ten seconds while it lasts; again only
        // after the link has been back.
        Problem& problem = program.problem();
        if (program.seams().skype.LoginStatus() != SkypeLink::logged_out) told_problem->clear();
        if (problem.visible) {
            const QString text = problem.caption + '\n' + problem.Label1.caption;
            if (text != *told_problem)
                messages.message_box(problem.caption, problem.Label1.caption);
            *told_problem = text;
            problem.visible = false;
        }
    };
}
}  // namespace

int run_headless(const RunOptions& options) {
    ConsoleMessages messages;
    NoFileDialogs dialogs;
    Session session(options, messages, dialogs);
    session.report_problems_in(messages);
    // The account's trouble is the messenger client's log line (a warning in the journal): a box
    // on the terminal beside it would say it twice.
    session.on_account_problem = nullptr;
    Program& program = session.program();
    session.scheduler().after_event = [watch = watch_status(program, messages),
                                       before = std::move(session.scheduler().after_event)] {
        if (before) before();
        watch();
    };

    QuitSignals quit_signals([&session] {
        session.scheduler().post([&session] { session.program().main_window().exit_program(); });
    });

    say(QStringLiteral("%1 %2 headless: camera %3, chat link %4, application folder %5")
            .arg(app::title, app::version_line(), options.camera, options.link,
                 options.app_folder));
    // A service that starts with something missing says so once and runs on: the problem may be
    // put right while it runs (a disk cleared), and it still watches what it can.
    // The account file is the messenger client's to judge, once, as it starts.
    for (const StartupCheck& check : startup_checks(options, false))
        if (!check.ok() && !check.subject.startsWith(QLatin1String("account file")))
            messages.message_box(QStringLiteral("Check"), check.line());
    session.show_main_window();
    session.scheduler().after_event();

    std::unique_ptr<OwnerConsole> owner;
    std::unique_ptr<TerminalLines> terminal;
    if (ClientCore* client = session.client()) {
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
