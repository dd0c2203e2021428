#include "sim/owner_script.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

#include "time/scheduler.h"

std::optional<std::vector<OwnerScript::Step>> OwnerScript::parse(const QString& text,
                                                                 QString* error) {
    std::vector<Step> steps;
    const QStringList lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith('#')) continue;
        const qsizetype blank = line.indexOf(' ');
        bool is_number = false;
        const double seconds = line.left(blank).toDouble(&is_number);
        const QString action = blank < 0 ? QString() : line.mid(blank + 1).trimmed();
        QString fault;
        if (!is_number || !std::isfinite(seconds) || seconds < 0 || seconds > 1e9)
            fault = QStringLiteral("a time in seconds comes first");
        else if (action.isEmpty())
            fault = QStringLiteral("nothing to do after the time");
        if (!fault.isEmpty()) {
            if (error) *error = QStringLiteral("line %1: %2").arg(i + 1).arg(fault);
            return std::nullopt;
        }
        steps.push_back(Step{std::llround(seconds * 1000), action});
    }
    std::stable_sort(steps.begin(), steps.end(),
                     [](const Step& a, const Step& b) { return a.at_ms < b.at_ms; });
    return steps;
}

OwnerScript::OwnerScript(Scheduler& scheduler, std::vector<Step> steps,
                         std::function<void(const QString&)> act)
    : scheduler_(scheduler), steps_(std::move(steps)), act_(std::move(act)) {}

OwnerScript::~OwnerScript() {
    lifetime_.end();
}

void OwnerScript::start() {
    if (origin_ms_ >= 0) return;
    origin_ms_ = scheduler_.now_ms();
    schedule_next();
}

// One step waits at a time, so steps of equal time keep their order whatever the scheduler
// does with equal deadlines.
void OwnerScript::schedule_next() {
    if (finished()) return;
    const qint64 delay = origin_ms_ + steps_[next_].at_ms - scheduler_.now_ms();
    scheduler_.post_after(delay, lifetime_.guard([this] {
        const QString line = steps_[next_++].line;
        schedule_next();
        if (act_) act_(line);
    }));
}
