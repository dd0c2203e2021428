#pragma once

#include "seams/user_messages.h"

// Without windows, a message box is its title and text on standard error; it counts as closed
// at once.
class ConsoleMessages : public UserMessages {
  public:
    void message_box(const QString& title, const QString& text) override;
};
