#pragma once

#include <QLoggingCategory>

// Messages of the program's own shell: start-up, the main window, ending.
Q_DECLARE_LOGGING_CATEGORY(lcApp)
