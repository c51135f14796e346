#pragma once

#include "platform/agent/ObservedAgentService.h"

#include <QString>

#include <memory>

class QFile;

namespace clipvoice::platform::agent {

// Appends every call into the wrapped service, its characters and their
// requests to a file, one line per call in the form of AgentCallFormat, and
// every Command event as a line of its own. Each line is written with a single
// write to a file opened for appending, so several processes can share it.
class TracingAgentService final : public ObservedAgentService
{
public:
    // Longer texts are traced by their first this many characters, followed
    // by "(N more characters not traced)" at the end of the line.
    static constexpr qsizetype TracedTextLength = 2000;

    // The trace file must be open for writing.
    TracingAgentService(std::unique_ptr<AgentService> inner, std::unique_ptr<QFile> trace,
                        QObject* parent = nullptr);

    // Opens the file for appending without buffering; fails with the reason.
    static AgentResult<std::unique_ptr<QFile>> openTraceFile(const QString& path);
};

// The name of the environment variable naming the trace file.
inline constexpr char traceVariable[] = "CLIPVOICE_TRACE";

// Wraps the service in a TracingAgentService when CLIPVOICE_TRACE names a file.
// Returns the service unchanged when the variable is unset or empty, or when the
// file cannot be opened (after one warning).
std::unique_ptr<AgentService> traceIfRequested(std::unique_ptr<AgentService> inner);

// The same with the file name given: empty means no trace.
std::unique_ptr<AgentService> traceTo(std::unique_ptr<AgentService> inner, const QString& path);

} // namespace clipvoice::platform::agent
