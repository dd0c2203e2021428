#pragma once

#include <signal_protocol.h>
#include <QByteArray>
#include <memory>

// Ownership of the Signal protocol library's objects: its reference-counted types are
// released with one unref, its buffers freed (and wiped: they may hold keys).
namespace signal_ptr {

struct Unref {
    void operator()(void* object) const {
        if (object) signal_type_unref(static_cast<signal_type_base*>(object));
    }
};
template <class T>
using Ref = std::unique_ptr<T, Unref>;

struct BufferFree {
    void operator()(signal_buffer* buffer) const { signal_buffer_bzero_free(buffer); }
};
using Buffer = std::unique_ptr<signal_buffer, BufferFree>;

inline QByteArray bytes(const signal_buffer* buffer) {
    if (!buffer) return {};
    return {reinterpret_cast<const char*>(signal_buffer_const_data(buffer)),
            static_cast<qsizetype>(signal_buffer_len(buffer))};
}

inline const uint8_t* data(const QByteArray& bytes) {
    return reinterpret_cast<const uint8_t*>(bytes.constData());
}

}  // namespace signal_ptr
