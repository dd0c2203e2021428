#include "desktop/startup_marks.h"

#include <QDateTime>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "desktop/desktop.h"
#include "desktop/main_view.h"
#include "desktop/splash_view.h"

namespace {
constexpr int press_after_ms = 300;
}

bool StartupMarks::wanted() {
    return qEnvironmentVariableIsSet("VQ_BENCH_MARKS");
}

void StartupMarks::print(const QString& mark) {
    std::printf("mark %s %lld\n", qPrintable(mark),
                static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
    std::fflush(stdout);
}

void StartupMarks::watch(Desktop& desktop) {
    auto splash_seen = std::make_shared<bool>(false);
    auto pressed = std::make_shared<bool>(false);
    auto frame_seen = std::make_shared<bool>(false);
    SplashView& splash = desktop.splash();
    splash.window()->on_painted = [splash_seen, pressed, &splash] {
        if (*splash_seen) return;
        *splash_seen = true;
        print(QStringLiteral("splash_shown"));
        QTimer::singleShot(press_after_ms, [pressed, &splash] {
            *pressed = true;
            print(QStringLiteral("start_pressed"));
            splash.start_button()->click();
        });
    };
    desktop.main().Picture3()->on_painted = [pressed, frame_seen, &desktop] {
        // The first picture with a camera frame in it: the surface starts all black.
        if (!*pressed || *frame_seen) return;
        const QImage& image = desktop.main().Picture3()->image();
        if (image.isNull() || image.pixel(image.width() / 2, image.height() / 2) == qRgb(0, 0, 0))
            return;
        *frame_seen = true;
        print(QStringLiteral("first_frame"));
    };
}
