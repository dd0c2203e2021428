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
#include "omemo/omemo_device.h"
#include "platform/xmpp/xmpp_client.h"
#include "platform/xmpp/xmpp_omemo.h"
#include "platform/xmpp/xmpp_owner_side.h"
#include "run/bindings.h"
#include "run/quit_signals.h"
#include "run/session.h"
#include "run/startup_checks.h"
#include "windows/quelm_splash.h"

namespace {
// The running client's own device, so that the file it keeps is not opened twice; with another
// link, the file's (made now when there is none: the fingerprint can be compared before the
// account is first used).
MessengerAccountDialog::Identity machine_identity(XmppClient* running, const QString& file) {
    if (running) {
        const XmppOmemo* omemo = running->owner_side().omemo();
        if (!omemo) return {};
        return {omemo->device_id(), omemo->fingerprint()};
    }
    QString problem;
    const auto device = OmemoDevice::open(file, &problem);
    if (!device) return {};
    return {device->device_id(), device->fingerprint()};
}
}  // namespace

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
    desktop.main().set_account_file(options.xmpp_config_path(), options.xmpp_client(),
                                    [&session, device_file = options.omemo_device_path()] {
                                        return machine_identity(session.bindings().xmpp.get(),
                                                                device_file);
                                    });
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
