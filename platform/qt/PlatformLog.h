#pragma once

#include <QLoggingCategory>

// Messages of the desktop adapters: settings file, clipboard, tray, web pane.
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)
