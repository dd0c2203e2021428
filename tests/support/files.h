#pragma once

#include <QByteArray>
#include <QFile>

// Writes the file whole, replacing what it held; false when it could not.
inline bool write_file(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}
