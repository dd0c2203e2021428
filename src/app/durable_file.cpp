#include "app/durable_file.h"

#include <unistd.h>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

namespace durable_file {

bool write(const QString& path, const std::function<bool(QIODevice&)>& fill, QString& error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    // The writes may sit in a buffer: only a flush that succeeded means the disk took them.
    if (!fill(file) || !file.flush()) {
        error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (::fsync(file.handle()) != 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace durable_file
