#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "time/lifetime.h"

class Scheduler;

// What the owner does and when, for unattended runs: one step a line, seconds then the line
// the owner types ("12.5 say motion on", "40 call", "90 quit"); blank lines and lines starting
// with "#" are skipped. Steps run in time order, those of equal time in the order written.
class OwnerScript {
  public:
    struct Step {
        qint64 at_ms = 0;
        QString line;
    };

    // The steps of a script, or nothing with the reason ("line 3: ...") in `error`.
    static std::optional<std::vector<Step>> parse(const QString& text, QString* error = nullptr);

    OwnerScript(Scheduler& scheduler, std::vector<Step> steps,
                std::function<void(const QString& line)> act);
    ~OwnerScript();
    OwnerScript(const OwnerScript&) = delete;
    OwnerScript& operator=(const OwnerScript&) = delete;

    // Times count from this call on; a second call does nothing.
    void start();
    bool finished() const { return next_ >= steps_.size(); }

  private:
    void schedule_next();

    Scheduler& scheduler_;
    std::vector<Step> steps_;
    std::function<void(const QString&)> act_;
    qint64 origin_ms_ = -1;
    size_t next_ = 0;
    Lifetime lifetime_;
};
