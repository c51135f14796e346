#pragma once

#include <QLoggingCategory>

// Messages of the character service's boundary: the headless service and the
// trace file.
Q_DECLARE_LOGGING_CATEGORY(lcAgentBoundary)
