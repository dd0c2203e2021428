// Takes pictures of the camera's two dialogs on a real (virtual) X display, with the webcam
// table as the device. Usage: vq_camera_dialog_screenshots OUTPUT_FOLDER.
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QScreen>
#include <QSlider>
#include <QTimer>
#include <cstdio>

#include "desktop/desktop.h"
#include "desktop/desktop_look.h"
#include "desktop/video_format_view.h"
#include "desktop/video_settings_view.h"
#include "test_program.h"
#include "webcam_table.h"
#include "windows/video_format_dialog.h"

namespace {
// Lets the window be mapped and painted first.
bool save(QWidget* window, const QString& path) {
    QEventLoop loop;
    QTimer::singleShot(400, &loop, &QEventLoop::quit);
    loop.exec();
    QImage picture;
    if (QScreen* screen = window->screen()) picture = screen->grabWindow(window->winId()).toImage();
    if (picture.isNull() || picture.width() < 10) picture = window->grab().toImage();
    std::printf("%s (%d x %d)\n", qPrintable(path), picture.width(), picture.height());
    return window->isVisible() && picture.save(path);
}
}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: vq_camera_dialog_screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    apply_desktop_look();
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    WebcamTable webcam;
    TestProgram t;
    t.camera.device_behind = &webcam;
    Desktop desktop(t.program);
    const auto handle = [&] {
        t.scheduler.run_for(0);
        for (int i = 0; i < 20; ++i) QApplication::processEvents();
    };
    t.scheduler.post([&] { t.form.show(); });
    handle();

    bool ok = true;
    t.scheduler.post([&] { t.form.mnuFormat.click(); });
    handle();
    ok &= save(&desktop.video_format(), out.filePath("video_format_dialog.png"));
    t.scheduler.post([&] { t.program.video_format().Cancel_Click(); });
    handle();

    t.scheduler.post([&] { t.form.mnuSettings.click(); });
    handle();
    ok &= save(&desktop.video_settings(), out.filePath("video_settings_dialog.png"));
    return ok ? 0 : 1;
}
