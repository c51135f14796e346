#include "platform/agent/TracingAgentService.h"

#include "platform/agent/AgentBoundaryLog.h"

#include <QFile>

#include <utility>

namespace clipvoice::platform::agent {

namespace {

class TraceWriter final : public AgentCallObserver
{
public:
    explicit TraceWriter(std::unique_ptr<QFile> file)
        : m_file(std::move(file))
    {}

    void observe(const AgentCall& call) override
    {
        qsizetype omitted = 0;
        QString text = AgentCallFormat::format(shortened(call, omitted));
        if (omitted > 0)
            text += QStringLiteral(" (%1 more characters not traced)").arg(omitted);
        const QByteArray line = text.toUtf8() + '\n';
        // One write per line: with the file in append mode the line lands whole
        // even when other processes append to the same file.
        if (m_file->write(line) != line.size() && !m_warned) {
            m_warned = true;
            qCWarning(lcAgentBoundary).noquote()
                << QStringLiteral("cannot write the trace file %1: %2")
                       .arg(m_file->fileName(), m_file->errorString());
        }
    }

private:
    // Texts past TracedTextLength are traced by their start only, and the
    // line says how much was left out: quoting a copied megabyte would hold up
    // the window's thread.
    static AgentCall shortened(const AgentCall& call, qsizetype& omitted)
    {
        constexpr qsizetype TracedTextLength = TracingAgentService::TracedTextLength;
        AgentCall traced = call;
        for (CallValue& argument : traced.arguments) {
            const QString& text = argument.text();
            if (argument.kind() != CallValue::Kind::String || text.size() <= TracedTextLength)
                continue;
            qsizetype kept = TracedTextLength;
            if (text.at(kept - 1).isHighSurrogate())
                --kept; // never half a character
            omitted += text.size() - kept;
            argument = CallValue::string(text.left(kept));
        }
        return traced;
    }

    std::unique_ptr<QFile> m_file;
    bool m_warned = false;
};

} // namespace

TracingAgentService::TracingAgentService(std::unique_ptr<AgentService> inner,
                                         std::unique_ptr<QFile> trace, QObject* parent)
    : ObservedAgentService(std::move(inner), std::make_shared<TraceWriter>(std::move(trace)),
                           parent)
{}

AgentResult<std::unique_ptr<QFile>> TracingAgentService::openTraceFile(const QString& path)
{
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return AgentResult<std::unique_ptr<QFile>>::failure(file->errorString());
    return file;
}

std::unique_ptr<AgentService> traceTo(std::unique_ptr<AgentService> inner, const QString& path)
{
    if (path.isEmpty())
        return inner;
    AgentResult<std::unique_ptr<QFile>> file = TracingAgentService::openTraceFile(path);
    if (!file) {
        qCWarning(lcAgentBoundary).noquote()
            << QStringLiteral("cannot open the trace file %1 (%2); not tracing")
                   .arg(path, file.error());
        return inner;
    }
    return std::make_unique<TracingAgentService>(std::move(inner), std::move(file.value()));
}

std::unique_ptr<AgentService> traceIfRequested(std::unique_ptr<AgentService> inner)
{
    return traceTo(std::move(inner), qEnvironmentVariable(traceVariable));
}

} // namespace clipvoice::platform::agent
