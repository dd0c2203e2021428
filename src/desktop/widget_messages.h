#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <deque>
#include <utility>

#include "seams/user_messages.h"

// Message boxes on screen: the title, the text and an OK button, over the program's windows.
// A box does not hold the program: detection, the camera's retries and the link run on while it
// is open, since nobody may be there to close it. One box shows at a time; the next waits until
// it is closed, and a box that says what an open or waiting one says is not shown twice. Boxes
// open without taking the keyboard from what the user is typing.
class WidgetMessages : public UserMessages {
  public:
    ~WidgetMessages() override;
    void message_box(const QString& title, const QString& text) override;

    // The box on screen, if any (for tests and screenshots).
    QMessageBox* open_box() const { return open_; }
    size_t waiting() const { return waiting_.size(); }

  private:
    void show_next();

    std::deque<std::pair<QString, QString>> waiting_;
    std::pair<QString, QString> shown_;
    QPointer<QMessageBox> open_;
    QObject context_;  // ends the pending hand-overs with this object
};
