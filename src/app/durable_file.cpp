#include "app/durable_file.h"

#include <unistd.h>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

namespace durable_file {
namespace {
bool failed(QString* error, const QString& reason) {
    if (error) *error = reason;
    return false;
}
}  // namespace

bool write(const QString& path, const std::function<bool(QIODevice&)>& fill, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return failed(error, file.errorString());
    // The writes may sit in a buffer: only a flush that succeeded means the disk took them.
    if (!fill(file) || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return failed(error, reason);
    }
    if (::fsync(file.handle()) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        file.cancelWriting();
        return failed(error, reason);
    }
    if (!file.commit()) return failed(error, file.errorString());
    return true;
}

}  // namespace durable_file
