#include "desktop/widget_messages.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>

namespace {
// Over the window the user works in, else over the program's main window, else anywhere.
QWidget* box_parent() {
    if (QWidget* active = QApplication::activeWindow()) return active;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->objectName() == QLatin1String("frmTesting"))
            return window;
    return nullptr;
}
}  // namespace

WidgetMessages::~WidgetMessages() {
    if (open_) delete open_.data();
}

void WidgetMessages::message_box(const QString& title, const QString& text) {
    const std::pair<QString, QString> box{title, text};
    if ((open_ && shown_ == box) ||
        std::find(waiting_.begin(), waiting_.end(), box) != waiting_.end())
        return;
    waiting_.push_back(box);
    // Shown from the event loop, once the handler that asked has ended and the windows have
    // caught up: a box raised while the main window is still being made would end up behind it.
    if (!open_)
        QTimer::singleShot(0, &context_, [this] {
            if (!open_) show_next();
        });
}

void WidgetMessages::show_next() {
    if (waiting_.empty()) return;
    shown_ = waiting_.front();
    waiting_.pop_front();
    auto* box = new QMessageBox(QMessageBox::NoIcon, shown_.first, shown_.second, QMessageBox::Ok,
                                box_parent());
    box->setObjectName("message_box");
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setAttribute(Qt::WA_ShowWithoutActivating);
    box->setWindowModality(Qt::NonModal);
    open_ = box;
    // The next box once this one is answered, from the event loop rather than inside its close.
    QObject::connect(box, &QDialog::finished, &context_, [this] {
        open_.clear();
        QTimer::singleShot(0, &context_, [this] {
            if (!open_) show_next();
        });
    });
    box->show();
}
