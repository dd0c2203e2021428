#pragma once

#include <QString>

// Where the chat/call client and the program meet on the session bus.
namespace skype_bus {
inline const QString service = QStringLiteral("com.Skype.API");
inline const QString client_path = QStringLiteral("/com/Skype");
inline const QString client_interface = QStringLiteral("com.Skype.API");
// Our own addition on the client's object: the keys for its file-sending dialog.
inline const QString keys_interface = QStringLiteral("com.Skype.API.Keystrokes");
inline const QString program_path = QStringLiteral("/com/Skype/Client");
inline const QString program_interface = QStringLiteral("com.Skype.API.Client");
}  // namespace skype_bus
