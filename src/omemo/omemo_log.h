#pragma once

#include <QLoggingCategory>

// The encryption's own category (vq.omemo): sessions refused, files that could not be written.
Q_DECLARE_LOGGING_CATEGORY(omemo_log)
