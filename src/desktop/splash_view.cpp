#include "desktop/splash_view.h"

#include <QFrame>
#include <QPushButton>

#include "app/program.h"
#include "desktop/fonts.h"
#include "desktop/twips.h"

SplashView::SplashView(Program& program)
    : ModelView(program.seams().scheduler,
                [&program] { return program.has_splash() ? &program.splash() : nullptr; }) {
    window_ = std::make_unique<ModelWindow>(ModelWindow::Border::fixed_no_control_box, 7380, 5010);
    window_->setObjectName("Quelm_Splash");
    auto* frame = new QFrame(window_->client());
    frame->setObjectName("Frame1");
    twips::place(frame, 150, 60, 7080, 4755);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame->setAutoFillBackground(true);
    QPalette green = frame->palette();
    green.setColor(QPalette::Window, QColor(0, 255, 0));
    frame->setPalette(green);
    build_lines(frame);
    build_buttons(frame);
    bind_window(&Quelm_Splash::caption, &Quelm_Splash::visible, true);
}

void SplashView::build_lines(QWidget* frame) {
    using S = Quelm_Splash;
    const QString arial = QStringLiteral("Arial");
    const QFont plain = frame->font();
    struct Line {
        Label S::*label;
        const char* name;
        int left, top, width, height;
        QFont font;
        bool sizes_itself;
        Qt::Alignment alignment;
    };
    const Line lines[] = {
        {&S::lblCompanyProduct, "lblCompanyProduct", 2760, 705, 2790, 435,
         window_font(arial, 18, true), true, Qt::AlignLeft},
        {&S::lblProductName, "lblProductName", 2400, 1140, 3585, 765,
         window_font(arial, 32.25, true), true, Qt::AlignLeft},
        {&S::Label3, "Label3", 2640, 1800, 4095, 255, plain, false, Qt::AlignLeft},
        {&S::lblPlatform, "lblPlatform", 4665, 2340, 2310, 360, window_font(arial, 15.75, true),
         true, Qt::AlignRight},
        {&S::lblVersion, "lblVersion", 4680, 2760, 1410, 285, window_font(arial, 12, true), true,
         Qt::AlignRight},
        {&S::lblCompany, "lblCompany", 2280, 2640, 2415, 255, window_font(arial, 8.25), false,
         Qt::AlignLeft},
        {&S::lblYear, "lblYear", 2280, 2400, 2415, 255, window_font(arial, 8.25), false,
         Qt::AlignLeft},
        {&S::lblWarning, "lblWarning", 720, 3360, 6855, 195, window_font(arial, 8.25), false,
         Qt::AlignLeft},
        {&S::Label1, "Label1", 600, 240, 6375, 255, plain, false, Qt::AlignLeft},
    };
    for (const Line& l : lines) {
        auto* label = new QLabel(frame);
        label->setObjectName(l.name);
        twips::place(label, l.left, l.top, l.width, l.height);
        label->setFont(l.font);
        label->setAlignment(l.alignment | Qt::AlignTop);
        bind(l.label, label, l.sizes_itself);
    }
    auto* logo = new PictureView(frame);
    logo->setObjectName("imgLogo");
    logo->setFrameStyle(QFrame::NoFrame);
    logo->setAttribute(Qt::WA_OpaquePaintEvent, false);
    logo->smooth = true;
    twips::place(logo, 360, 795, 1815, 2385);
    bind(&S::imgLogo, logo);
}

// The focus goes from "Start" to "Exit" to "View EULA"; "Start" has it when the window opens,
// so Enter starts the program.
void SplashView::build_buttons(QWidget* frame) {
    using S = Quelm_Splash;
    start_ = new QPushButton(frame);
    start_->setObjectName("Command1");
    twips::place(start_, 120, 3720, 2895, 375);
    auto* exit = new QPushButton(frame);
    exit->setObjectName("Command3");
    twips::place(exit, 3120, 3720, 975, 375);
    auto* eula = new QPushButton(frame);
    eula->setObjectName("Command2");
    twips::place(eula, 5640, 3720, 1215, 375);
    bind(&S::Command1, start_);
    bind(&S::Command3, exit);
    bind(&S::Command2, eula);
    QWidget::setTabOrder(start_, exit);
    QWidget::setTabOrder(exit, eula);
    start_->setDefault(true);
    window_->setFocusProxy(start_);
    start_->setFocus();
}
