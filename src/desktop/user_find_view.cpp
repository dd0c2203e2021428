#include "desktop/user_find_view.h"

#include <QListWidget>

#include "app/program.h"
#include "desktop/twips.h"

UserFindView::UserFindView(Program& program)
    : ModelView(program.seams().scheduler,
                [&program] { return program.has_user_find() ? &program.user_find() : nullptr; }) {
    window_ = std::make_unique<ModelWindow>(ModelWindow::Border::fixed_single, 3240, 3600);
    window_->setObjectName("User_Find");
    list_ = new QListWidget(window_->client());
    list_->setObjectName("List1");
    twips::place(list_, 120, 120, 3000, 3360);
    binder_.add(
        list_, [this] { return m().List1; },
        [list = list_](const QVariant& names) {
            list->clear();
            list->addItems(names.toStringList());
        });
    QObject::connect(list_, &QListWidget::itemClicked, list_, [this](QListWidgetItem* item) {
        const int index = list_->row(item);
        act([index](User_Find& u) { u.List1_Click(index); });
    });
    window_->on_close_box = [this] { act([](User_Find& u) { u.visible = false; }); };
    bind_window(&User_Find::caption, &User_Find::visible);
}
