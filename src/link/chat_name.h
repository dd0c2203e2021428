#pragma once

#include <QString>

// Chats are named "#creator/$partner;id". A chat may control the machine only when it is a
// conversation with the owner: the call target is exactly its creator or its partner. An empty
// call target lets no chat in.
bool chat_is_with(const QString& chat_name, const QString& call_target);
