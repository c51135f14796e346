#include "agent/desktop/TraceRequestObserver.h"

#include "agent/engine/EngineRequest.h"

namespace clipvoice::agent::desktop {

using platform::agent::RequestStatus;

std::shared_ptr<TraceRequestObserver> TraceRequestObserver::open(const QString& path)
{
    auto file = std::make_unique<QFile>(path);
    if (path.isEmpty() ||
        !file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return nullptr;
    return std::shared_ptr<TraceRequestObserver>(new TraceRequestObserver(std::move(file)));
}

TraceRequestObserver::TraceRequestObserver(std::unique_ptr<QFile> file)
    : m_file(std::move(file))
{}

void TraceRequestObserver::started(const engine::EngineRequest& request)
{
    write(QStringLiteral("request %1 started: %2")
              .arg(request.number())
              .arg(request.description(LongestTracedArgument)));
}

void TraceRequestObserver::finished(const engine::EngineRequest& request, RequestStatus status)
{
    write(QStringLiteral("request %1 finished: %2")
              .arg(request.number())
              .arg(engine::EngineRequest::statusName(status)));
}

void TraceRequestObserver::note(const QString& line)
{
    write(line);
}

void TraceRequestObserver::write(const QString& line)
{
    // One write per line keeps lines whole beside the other writers of the file.
    QString text = line;
    text.replace(QLatin1Char('\n'), QStringLiteral("\\n"))
        .replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    m_file->write((text + QLatin1Char('\n')).toUtf8());
}

} // namespace clipvoice::agent::desktop
