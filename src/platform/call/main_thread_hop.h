#pragma once

#include <glib-object.h>

#include <QMetaObject>
#include <QObject>
#include <functional>
#include <memory>
#include <mutex>

// Brings work from GStreamer's threads (webrtcbin's signals and promises) over to the thread
// that made the hop, as ordinary events there, so the call's hooks run between the program's
// handlers. Once closed, nothing more runs: a callback that races the end of the call finds the
// door shut instead of a deleted object.
class MainThreadHop : public std::enable_shared_from_this<MainThreadHop> {
  public:
    static std::shared_ptr<MainThreadHop> make() { return std::make_shared<MainThreadHop>(); }

    // From any thread.
    void post(std::function<void()> work) {
        std::lock_guard lock(mutex_);
        if (!open_) return;
        QMetaObject::invokeMethod(
            &context_,
            [self = weak_from_this(), work = std::move(work)] {
                const auto hop = self.lock();
                if (hop && hop->is_open()) work();
            },
            Qt::QueuedConnection);
    }
    // From the making thread: work posted but not yet run is dropped too.
    void close() {
        std::lock_guard lock(mutex_);
        open_ = false;
    }

    // For GLib's C callbacks: a strong reference as user data, given back by `release`.
    gpointer new_reference() { return new std::shared_ptr<MainThreadHop>(shared_from_this()); }
    static MainThreadHop& of(gpointer reference) {
        return **static_cast<std::shared_ptr<MainThreadHop>*>(reference);
    }
    static void release(gpointer reference) {
        delete static_cast<std::shared_ptr<MainThreadHop>*>(reference);
    }
    static void release_closure(gpointer reference, GClosure*) { release(reference); }

  private:
    bool is_open() {
        std::lock_guard lock(mutex_);
        return open_;
    }

    std::mutex mutex_;
    QObject context_;
    bool open_ = true;
};
