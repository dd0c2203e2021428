#include "desktop/setup_view.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QToolButton>

#include "app/program.h"
#include "desktop/twips.h"

namespace {
template <class Widget>
Widget* make(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* widget = new Widget(parent);
    widget->setObjectName(name);
    twips::place(widget, left, top, width, height);
    return widget;
}
}  // namespace

SetupView::SetupView(Program& program)
    : ModelView(program.seams().scheduler,
                [&program] { return program.has_setup() ? &program.setup() : nullptr; }) {
    // Below the original 4110 twips: a Close button, since a window with only a close box is hard
    // to leave from the keyboard or on a desktop that draws no title bar.
    window_ = std::make_unique<ModelWindow>(ModelWindow::Border::fixed_single, 4680, 4590);
    window_->setObjectName("Video_Quelm_Setup");
    build_values();
    build_paths();
    build_sound_strip();
    window_->on_close_box = [this] { act([](Video_Quelm_Setup& s) { s.Form_Unload(); }); };
    auto* close = make<QPushButton>(window_->client(), "Close", 3480, 4080, 1095, 375);
    close->setText(QStringLiteral("Close"));
    QObject::connect(close, &QPushButton::clicked, window_.get(),
                     [window = window_.get()] { window->on_close_box(); });
    bind_window(&Video_Quelm_Setup::caption, &Video_Quelm_Setup::visible);
}

// Each value box has its "+" directly above and its "-" directly below.
void SetupView::build_values() {
    using S = Video_Quelm_Setup;
    struct Value {
        TextBox S::*box;
        CommandButton S::*plus;
        CommandButton S::*minus;
        Label S::*label;
        const char* names[3];
        int left, top, label_width, label_height;
    };
    const Value values[] = {
        {&S::Text2,
         &S::Command2,
         &S::Command4,
         &S::Label5,
         {"Text2", "Command2", "Command4"},
         240,
         720,
         975,
         495},
        {&S::Text3,
         &S::Command5,
         &S::Command6,
         &S::Label7,
         {"Text3", "Command5", "Command6"},
         1680,
         720,
         975,
         375},
        {&S::Text4,
         &S::Command8,
         &S::Command7,
         &S::Label8,
         {"Text4", "Command8", "Command7"},
         3120,
         720,
         855,
         495},
        {&S::Text1,
         &S::Command9,
         &S::Command10,
         &S::Label6,
         {"Text1", "Command9", "Command10"},
         240,
         1680,
         975,
         495},
    };
    QWidget* client = window_->client();
    for (const Value& v : values) {
        bind(v.plus, make<QPushButton>(client, v.names[1], v.left, v.top - 240, 375, 195));
        bind(v.box, make<QLineEdit>(client, v.names[0], v.left, v.top, 375, 285));
        auto* label = make<QLabel>(client, "", v.left + 480, v.top, v.label_width, v.label_height);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        bind(v.label, label);
        bind(v.minus, make<QPushButton>(client, v.names[2], v.left, v.top + 360, 375, 195));
    }
    bind(&S::Check1, make<QCheckBox>(client, "Check1", 2160, 1320, 2535, 975));
}

void SetupView::build_paths() {
    using S = Video_Quelm_Setup;
    QWidget* client = window_->client();
    struct Path {
        CommandButton S::*change;
        Label S::*heading;
        Label S::*shown;
        const char* names[2];
        int top, heading_width, shown_width, shown_height;
    };
    for (const Path& p :
         {Path{&S::Command1, &S::Label2, &S::Label1, {"Command1", "Label1"}, 2520, 2295, 3135, 495},
          Path{&S::Command3,
               &S::Label4,
               &S::Label3,
               {"Command3", "Label3"},
               3240,
               1815,
               3255,
               375}}) {
        bind(p.change, make<QPushButton>(client, p.names[0], 120, p.top, 975, 375));
        bind(p.heading, make<QLabel>(client, "", 1200, p.top, p.heading_width, 255));
        auto* shown =
            make<QLabel>(client, p.names[1], 1200, p.top + 240, p.shown_width, p.shown_height);
        shown->setWordWrap(true);
        shown->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        bind(p.shown, shown);
    }
}

// The device's own transport buttons, for trying out the chosen sound.
void SetupView::build_sound_strip() {
    auto* strip = make<QWidget>(window_->client(), "MMControl1", 120, 3600, 930, 330);
    auto* layout = new QHBoxLayout(strip);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    struct Transport {
        QStyle::StandardPixmap icon;
        const char* command;
        const char* tip;
    };
    for (const Transport& t : {Transport{QStyle::SP_MediaSkipBackward, "Prev", "Back to the start"},
                               Transport{QStyle::SP_MediaPlay, "Play", "Play"},
                               Transport{QStyle::SP_MediaStop, "Stop", "Stop"}}) {
        auto* button = new QToolButton(strip);
        button->setObjectName(QStringLiteral("MMControl1_") + t.command);
        button->setIcon(strip->style()->standardIcon(t.icon));
        button->setToolTip(QString::fromLatin1(t.tip));
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        layout->addWidget(button);
        const QString command = QString::fromLatin1(t.command);
        QObject::connect(button, &QToolButton::clicked, button, [this, command] {
            act([command](Video_Quelm_Setup& s) { s.MMControl1.Command(command); });
        });
    }
}
