#pragma once

#include "agent/engine/RequestObserver.h"

#include <QFile>

#include <memory>

namespace clipvoice::agent::desktop {

// Appends the start and end of every request of the engine's characters to the
// trace file, one line each, e.g. `request 7 started: Speak "hello"` and
// `request 7 finished: done`. Of a text longer than LongestTracedArgument
// only the start is written (`Speak "..." and 998000 more characters`).
class TraceRequestObserver final : public engine::RequestObserver
{
public:
    static constexpr qsizetype LongestTracedArgument = 2000;

    // Null when the file cannot be opened.
    static std::shared_ptr<TraceRequestObserver> open(const QString& path);

    void started(const engine::EngineRequest& request) override;
    void finished(const engine::EngineRequest& request,
                  platform::agent::RequestStatus status) override;
    // Any other line, such as which voice speaks.
    void note(const QString& line);

private:
    explicit TraceRequestObserver(std::unique_ptr<QFile> file);
    void write(const QString& line);

    std::unique_ptr<QFile> m_file;
};

} // namespace clipvoice::agent::desktop
