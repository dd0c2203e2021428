#include "desktop/about_view.h"

#include <QPushButton>

#include "app/program.h"
#include "desktop/fonts.h"
#include "desktop/twips.h"

AboutView::AboutView(Program& program)
    : ModelView(program.seams().scheduler, [&program] { return program.about(); }) {
    // Below the original 2610 twips: an OK button, so the window can be left without its title bar.
    window_ = std::make_unique<ModelWindow>(ModelWindow::Border::fixed_single, 3735, 3090);
    window_->setObjectName("About");
    QWidget* client = window_->client();
    auto* icon = new PictureView(client);
    twips::place(icon, 120, 120, 495, 495);
    bind(&About::Picture1, icon);
    struct Line {
        Label About::*label;
        int left, top, width, height;
        bool big;
    };
    for (const Line& l : {Line{&About::Label3, 840, 240, 3375, 375, true},
                          Line{&About::Label2, 240, 840, 3495, 375, true},
                          Line{&About::Label4, 240, 1560, 3375, 495, false},
                          Line{&About::Label1, 240, 2160, 3975, 375, false}}) {
        auto* label = new QLabel(client);
        twips::place(label, l.left, l.top, l.width, l.height);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(true);
        if (l.big) label->setFont(window_font(QStringLiteral("MS Sans Serif"), 12, true));
        bind(l.label, label);
    }
    window_->on_close_box = [this, &program] {
        binder_.invalidate();
        scheduler_.post([&program] { program.close_about(); });
    };
    auto* ok = new QPushButton(QStringLiteral("OK"), client);
    ok->setObjectName("OK");
    twips::place(ok, 2640, 2640, 975, 375);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, window_.get(),
                     [window = window_.get()] { window->on_close_box(); });
    bind_window(&About::caption, &About::visible);
}
