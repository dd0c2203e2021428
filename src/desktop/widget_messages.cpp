#include "desktop/widget_messages.h"

#include <QApplication>
#include <QMessageBox>

void WidgetMessages::message_box(const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setObjectName("message_box");
    box.exec();
}
