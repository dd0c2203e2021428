#pragma once

#include <QString>

// Message boxes with only an OK button. `message_box` returns when the user has closed it.
class UserMessages {
  public:
    virtual ~UserMessages() = default;
    virtual void message_box(const QString& title, const QString& text) = 0;
};
