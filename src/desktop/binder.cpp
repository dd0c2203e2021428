#include "desktop/binder.h"

#include <QImage>
#include <QObject>
#include <QSignalBlocker>

void Binder::add(QObject* target, Read read, Write write) {
    rows_.push_back(Row{target, std::move(read), std::move(write), {}, false});
}

void Binder::property(QObject* target, const char* name, Read read) {
    add(target, std::move(read),
        [target, name](const QVariant& value) { target->setProperty(name, value); });
}

// Pictures change many times a second: they are told apart by the image's cache key, which
// changes with every change to its pixels, instead of comparing the pixels.
bool Binder::same(const QVariant& a, const QVariant& b) {
    if (a.metaType() != b.metaType()) return false;
    if (a.metaType() == QMetaType::fromType<QImage>())
        return a.value<QImage>().cacheKey() == b.value<QImage>().cacheKey();
    return a == b;
}

void Binder::refresh() {
    for (Row& row : rows_) {
        if (!row.target) continue;
        QVariant value = row.read();
        if (row.copied && same(value, row.last)) continue;
        const QSignalBlocker blocker(row.target.data());
        row.write(value);
        row.last = std::move(value);
        row.copied = true;
    }
}

void Binder::invalidate() {
    for (Row& row : rows_) row.copied = false;
}
