#include "run/run_desktop.h"

#include <QApplication>
#include <QFileInfo>
#include <memory>

#include "app/frm_testing.h"
#include "app/program.h"
#include "desktop/desktop.h"
#include "desktop/desktop_look.h"
#include "desktop/main_view.h"
#include "desktop/owner_window.h"
#include "desktop/startup_marks.h"
#include "desktop/widget_file_dialogs.h"
#include "desktop/widget_messages.h"
#include "run/quit_signals.h"
#include "run/session.h"
#include "run/startup_checks.h"
#include "windows/quelm_splash.h"

int run_desktop(const RunOptions& options) {
    apply_desktop_look();
    WidgetMessages messages;
    WidgetFileDialogs dialogs;
    Session session(options, messages, dialogs);
    session.report_problems_in(messages);
    Program& program = session.program();
    // A folder that cannot be written loses every snapshot: said at start, not found out later.
    if (const StartupCheck folder = check_app_folder(options.app_folder); !folder.ok())
        messages.message_box(QStringLiteral("Video Quelm"),
                             folder.line() + QStringLiteral("\n\nSnapshots and settings cannot "
                                                            "be saved."));
    Desktop desktop(program);
    desktop.main().set_account_file(options.xmpp_config_path(), options.xmpp_client());
    if (StartupMarks::wanted()) StartupMarks::watch(desktop);

    std::unique_ptr<OwnerWindow> owner;
    if (ClientCore* client = session.client()) {
        owner = std::make_unique<OwnerWindow>(*client, session.scheduler());
        owner->show();
    }
    // SIGINT and SIGTERM end the program through its normal exit, which saves the settings;
    // before the main window has loaded there is nothing to save.
    QuitSignals quit_signals([&session, &program] {
        session.scheduler().post([&session, &program] {
            frmTesting& window = program.main_window();
            if (window.loaded) {
                window.exit_program();
            } else {
                session.scheduler().quit();
            }
        });
    });
    // The program ends when its own windows say so, not when the owner's window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    session.scheduler().post([&session, &program] {
        Quelm_Splash& splash = program.splash();
        splash.show_main_window = [&session] { session.show_main_window(); };
        splash.show();
    });
    return QApplication::exec();
}
