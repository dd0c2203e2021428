#include "jingle/session_description.h"

namespace jingle {

const Content* SessionDescription::content(const QString& name) const {
    const int index = index_of(name);
    return index < 0 ? nullptr : &contents[static_cast<std::size_t>(index)];
}

int SessionDescription::index_of(const QString& name) const {
    for (std::size_t i = 0; i < contents.size(); ++i)
        if (contents[i].name == name) return static_cast<int>(i);
    return -1;
}

}  // namespace jingle
