#include "desktop/problem_view.h"

#include <QPushButton>

#include "app/program.h"
#include "desktop/fonts.h"
#include "desktop/twips.h"

ProblemView::ProblemView(Program& program)
    : ModelView(program.seams().scheduler,
                [&program] { return program.has_problem() ? &program.problem() : nullptr; }) {
    window_ = std::make_unique<ModelWindow>(ModelWindow::Border::fixed_single, 4680, 3090);
    window_->setObjectName("Problem");
    // It comes back on its own while the link is down: never in the middle of the user's typing.
    window_->setAttribute(Qt::WA_ShowWithoutActivating);
    auto* message = new QLabel(window_->client());
    message->setObjectName("Label1");
    twips::place(message, 240, 240, 4095, 2055);
    message->setWordWrap(true);
    message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    message->setFont(window_font(QStringLiteral("MS Sans Serif"), 12));
    bind(&Problem::Label1, message);
    auto* ok = new QPushButton(window_->client());
    ok->setObjectName("Command1");
    twips::place(ok, 3240, 2640, 855, 375);
    bind(&Problem::Command1, ok);
    // The close box takes the window away like "OK": the next report fills it anew.
    window_->on_close_box = [this] { act([](Problem& p) { p.visible = false; }); };
    bind_window(&Problem::caption, &Problem::visible);
}
