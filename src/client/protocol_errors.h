#pragma once

#include <QLatin1String>

// The error replies the client core gives, in the protocol's "ERROR <code> <text>" form.
namespace simclient {
inline const QLatin1String unknown_command("ERROR 2 Unknown command");
inline const QLatin1String invalid_get("ERROR 7 GET: invalid WHAT");
inline const QLatin1String invalid_user("ERROR 8 Invalid user handle");
inline const QLatin1String invalid_property("ERROR 10 Invalid property");
inline const QLatin1String invalid_call_id("ERROR 11 Invalid call id");
inline const QLatin1String invalid_message_id("ERROR 14 Invalid message id");
inline const QLatin1String invalid_call_status("ERROR 19 Invalid call status");
inline const QLatin1String invalid_alter("ERROR 27 ALTER: invalid action");
inline const QLatin1String invalid_call_target("ERROR 34 Invalid call target");
inline const QLatin1String access_refused("ERROR 68");
inline const QLatin1String not_online("ERROR 71 Not online");
inline const QLatin1String invalid_chat("ERROR 105 Invalid chat name");
}  // namespace simclient
