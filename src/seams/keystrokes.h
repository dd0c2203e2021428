#pragma once

#include <QString>

// Keys for the chat client's file-sending dialog, in the notation "{TAB}", "+{TAB}" (Shift+Tab),
// "{ENTER}", other characters standing for themselves. A binding delivers them to that dialog
// only, never to whatever other window happens to have the focus. It returns without waiting.
class Keystrokes {
  public:
    virtual ~Keystrokes() = default;
    virtual void send_keys(const QString& keys) = 0;
};
