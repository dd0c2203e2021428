#include "link/chat_name.h"

bool chat_is_with(const QString& chat_name, const QString& call_target) {
    if (call_target.isEmpty() || !chat_name.startsWith('#')) return false;
    const qsizetype slash = chat_name.indexOf(QLatin1String("/$"));
    if (slash < 0) return false;
    const qsizetype semicolon = chat_name.indexOf(';', slash);
    const QString creator = chat_name.mid(1, slash - 1);
    const QString partner =
        chat_name.mid(slash + 2, semicolon < 0 ? -1 : semicolon - (slash + 2));
    return creator == call_target || partner == call_target;
}
