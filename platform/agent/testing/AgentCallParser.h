#pragma once

#include "platform/agent/AgentCallFormat.h"

#include <QStringView>

namespace clipvoice::platform::agent::testing {

// Reads the one-line form of a call that AgentCallFormat writes, so that tests
// can compare a trace or call log with what they expect.
class AgentCallParser
{
public:
    // Reads one line (without its line end); fails with the position and cause
    // of the first thing that does not fit the form.
    static AgentResult<AgentCall> parse(QStringView line);
};

} // namespace clipvoice::platform::agent::testing
