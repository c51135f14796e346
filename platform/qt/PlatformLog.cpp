#include "platform/qt/PlatformLog.h"

Q_LOGGING_CATEGORY(lcPlatform, "clipvoice.platform")
