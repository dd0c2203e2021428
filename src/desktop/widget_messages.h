#pragma once

#include "seams/user_messages.h"

// Message boxes on screen: the title, the text and an OK button, over the active window. The
// call returns when the user has closed the box.
class WidgetMessages : public UserMessages {
  public:
    void message_box(const QString& title, const QString& text) override;
};
