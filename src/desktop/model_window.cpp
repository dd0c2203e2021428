#include "desktop/model_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "desktop/twips.h"

namespace {
Qt::WindowFlags flags_for(ModelWindow::Border border) {
    switch (border) {
        case ModelWindow::Border::fixed_no_control_box:
            return Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        case ModelWindow::Border::fixed_single:
            return Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint;
        case ModelWindow::Border::sizable:
            return Qt::Window;
    }
    return Qt::Window;
}
}  // namespace

QPointer<ModelWindow> ModelWindow::main_;

ModelWindow::ModelWindow(Border border, int client_width_twips, int client_height_twips,
                         QMenuBar* menu_bar)
    : QWidget(nullptr, flags_for(border)),
      closes_on_escape(border == Border::fixed_single),
      client_(new QWidget(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (menu_bar) layout->setMenuBar(menu_bar);
    layout->addWidget(client_);
    const QSize size(twips::to_pixels(client_width_twips), twips::to_pixels(client_height_twips));
    if (border == Border::sizable) {
        // A window with menus (the main window) has its controls at fixed places: it may grow
        // but not hide them. A document window may be made as small as the user likes.
        client_->setMinimumSize(menu_bar ? size : QSize(0, 0));
        resize(size);
    } else {
        client_->setFixedSize(size);
        layout->setSizeConstraint(QLayout::SetFixedSize);
    }
}

void ModelWindow::centre_on_screen() {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void ModelWindow::set_main(ModelWindow* window) {
    main_ = window;
}

void ModelWindow::centre_over_main() {
    if (!main_ || main_ == this || !main_->isVisible()) return centre_on_screen();
    QRect frame = frameGeometry();
    frame.moveCenter(main_->frameGeometry().center());
    move(frame.topLeft());
}

void ModelWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (on_close_box) on_close_box();
}

void ModelWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (on_resized) on_resized();
}

void ModelWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && closes_on_escape) {
        if (on_close_box) on_close_box();
        return;
    }
    // Enter presses the push button that has the focus. An option button or a check box is not
    // changed by it: message boxes take no focus, so an Enter meant to answer one lands here.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

bool ModelWindow::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::Paint && on_painted) on_painted();
    return handled;
}
