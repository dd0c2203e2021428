#include "desktop/about_view.h"

#include "app/program.h"
#include "desktop/fonts.h"
#include "desktop/twips.h"

AboutView::AboutView(Program& program)
    : ModelView(program.seams().scheduler, [&program] { return program.about(); }) {
    window_ = std::make_unique<ModelWindow>(ModelWindow::Border::fixed_single, 3735, 2610);
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
    bind_window(&About::caption, &About::visible);
}
