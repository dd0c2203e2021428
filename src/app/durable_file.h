#pragma once

#include <QString>
#include <functional>

class QIODevice;

// A file is replaced whole or not at all: the new content is written beside it, flushed and
// synced to the disk, and only then renamed over the old one. A full disk or a power cut leaves
// the old file (or no file) rather than an empty or half-written one.
namespace durable_file {

// `fill` writes the content and says whether it could. False, with the reason in `error` when
// given, when anything failed; the old file is then untouched.
bool write(const QString& path, const std::function<bool(QIODevice&)>& fill,
           QString* error = nullptr);

}  // namespace durable_file
