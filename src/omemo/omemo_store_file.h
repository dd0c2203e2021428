#pragma once

#include <QString>
#include <optional>

#include "omemo/omemo_store.h"

// The device's file: JSON with every key and record in base64, readable and writable by its
// owner alone, replaced whole (written beside, synced, renamed) so that a crash or a full disk
// leaves the previous state rather than a torn one.
namespace omemo::store_file {

// The device in `path`; nullopt with the reason when the file cannot be read or is damaged.
std::optional<StoredDevice> read(const QString& path, QString* problem);
bool write(const QString& path, const StoredDevice& device, QString* problem);

}  // namespace omemo::store_file
