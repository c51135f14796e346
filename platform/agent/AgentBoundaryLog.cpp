#include "platform/agent/AgentBoundaryLog.h"

Q_LOGGING_CATEGORY(lcAgentBoundary, "clipvoice.agent")
