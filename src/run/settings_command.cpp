#include "run/settings_command.h"

#include <cstdio>

#include "app/settings_keys.h"
#include "run/private_folder.h"
#include "run/run_options.h"

namespace {
int fail(const QString& problem, int code) {
    std::fprintf(stderr, "videoquelm: %s\n", qPrintable(problem));
    return code;
}
}  // namespace

int run_settings_command(const RunOptions& options) {
    SettingsKeys settings(options.app_folder);
    if (options.set) {
        // Every word is checked before anything is written: a typo leaves the files as they were.
        for (const QString& assignment : options.assignments) {
            const qsizetype equals = assignment.indexOf('=');
            if (equals <= 0)
                return fail(QStringLiteral("\"%1\" is not key=value").arg(assignment), 2);
            QString problem;
            if (!settings.set(assignment.left(equals), assignment.mid(equals + 1), problem))
                return fail(problem, 2);
        }
        if (!private_folder::make_private(options.app_folder))
            return fail(QStringLiteral("%1 cannot be made").arg(options.app_folder), 1);
        QString problem;
        if (!settings.save(problem))
            return fail(QStringLiteral("the settings in %1 were not saved: %2")
                            .arg(options.app_folder, problem),
                        1);
        if (!options.print_settings) return 0;
    }
    for (const QString& line : settings.lines()) std::printf("%s\n", qPrintable(line));
    return 0;
}
