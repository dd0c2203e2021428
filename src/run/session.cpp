#include "run/session.h"

#include <QDir>
#include <QLoggingCategory>

#include "app/frm_testing.h"
#include "app/program.h"
#include "camera/camera_owner.h"
#include "client/client_core.h"
#include "platform/gst/gst_camera.h"
#include "platform/xmpp/xmpp_client.h"
#include "platform/xmpp/xmpp_owner_side.h"
#include "run/private_folder.h"
#include "run/startup_checks.h"
#include "seams/camera.h"
#include "seams/seams.h"
#include "seams/user_messages.h"
#include "windows/version.h"
#include "windows/video_quelm_setup.h"

Q_LOGGING_CATEGORY(run_log, "vq.run", QtInfoMsg)

Session::Session(const RunOptions& options, UserMessages& messages, FileDialogs& dialogs)
    : options_(options),
      bindings_(make_bindings(options_, scheduler_, [this](const QString& problem) {
          if (on_device_problem) on_device_problem(problem);
      })) {
    private_folder::make_private(options_.app_folder);
    program_ =
        std::make_unique<Program>(Seams{scheduler_, *bindings_.camera, *bindings_.link,
                                        *bindings_.sound, messages, *bindings_.keys, dialogs},
                                  *bindings_.camera_owner, options_.app_folder);
    qCInfo(run_log).noquote() << app::title << app::version_line() << "started: camera"
                              << options_.camera << "| link" << options_.link
                              << "| application folder" << options_.app_folder;
    program_->program_folder = options_.documents_folder;
    program_->messenger_link = options_.xmpp_client() || options_.link_auto;
    program_->folder_unwritable = !check_app_folder(options_.app_folder).ok();
    program_->camera_source = options_.camera;
    if (auto* camera = dynamic_cast<GstCamera*>(bindings_.camera.get()))
        program_->camera_open_error = [camera] { return camera->open_error(); };
    if (XmppClient* xmpp = bindings_.xmpp.get()) {
        xmpp->core().video_source = [this] { return program_->main_window().Picture3.image(); };
        xmpp->owner_side().call_target = [this] { return program_->main_window().Text1.text; };
        // The outbox must not ring the phone for a call the program has given up on.
        xmpp->owner_side().ring_ms = [this] {
            const double seconds = program_->has_setup() ? program_->setup().seconds_to_ring()
                                                         : Video_Quelm_Setup::default_ring_seconds;
            return static_cast<qint64>(seconds * 1000);
        };
        program_->messenger_state = [xmpp] {
            const XmppClient::Offline offline = xmpp->offline();
            return Program::MessengerState{xmpp->core().connection() == QLatin1String("ONLINE"),
                                           offline.reason, offline.retry_due_ms};
        };
        xmpp->on_problem = [this](const QString& problem) {
            if (on_account_problem) on_account_problem(problem);
        };
    }
    if (ClientCore* client = bindings_.client.get()) {
        // In a call the client has the camera to itself. The demo scene can be watched from a
        // second view of it; a real device shows the last picture the program took.
        if (bindings_.second_view) {
            client->video_source = bindings_.second_view;
        } else {
            client->video_source = [this] { return program_->main_window().Picture3.image(); };
        }
    }
}

Session::~Session() {
    // Queued events and timers refer to the program: none may run while it goes.
    scheduler_.quit();
    qCInfo(run_log) << "stopped";
}

void Session::show_main_window() {
    frmTesting& window = program_->main_window();
    window.show();
    if (options_.demo && bindings_.client && window.Text1.text.isEmpty())
        window.Text1.text = bindings_.client->options().owner;
    if (options_.arm && window.cmdCapture.enabled) window.cmdCapture.click();
    if (bindings_.xmpp) bindings_.xmpp->start();
}

void Session::report_problems_in(UserMessages& messages) {
    on_device_problem = [&messages](const QString& text) {
        messages.message_box(QStringLiteral("Camera"), text);
    };
    on_account_problem = [&messages](const QString& text) {
        messages.message_box(QStringLiteral("Messenger Account"), text);
    };
}
