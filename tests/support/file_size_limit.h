#pragma once

#include <sys/resource.h>
#include <csignal>

// While it lives, no file of this process may grow past `bytes`: a write beyond fails halfway
// with EFBIG, as a write to a full disk fails with ENOSPC. (The signal the kernel sends with it
// is ignored, so only the write fails.)
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        previous_signal_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limited = previous_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previous_signal_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit previous_{};
    void (*previous_signal_)(int) = nullptr;
};
